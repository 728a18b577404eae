#include "common/data_connections.h"
#include "common/program_state.h"
#include "support/school_fixture.h"

#include <gtest/gtest.h>

using platform::db::DataControl;

namespace {

TEST(DataConnections, SettingsCursorIsOpenOnRowOneAndTheOthersOnlyConnected) {
    SchoolFixture school({"语文"}, {"2004"}, {"2004级01班"}, "pw");
    DataControl ad1, ad2, adodc0, adodc1;
    adodc1.setRecordSource("年级表");
    ConnectDataControls({&ad1, &ad2}, adodc0, adodc1);
    for (DataControl* c : {&ad1, &ad2, &adodc0, &adodc1}) {
        EXPECT_EQ(c->connectionString(), state().connectionText());
        EXPECT_EQ(c->commandType(), 8);
    }
    EXPECT_EQ(ad1.recordset(), nullptr);
    EXPECT_EQ(adodc1.recordset(), nullptr);
    EXPECT_EQ(adodc1.recordSource(), "年级表");
    ASSERT_NE(adodc0.recordset(), nullptr);
    auto* rs = adodc0.recordset();
    EXPECT_EQ(rs->absolutePosition(), 1);
    EXPECT_EQ(rs->value(1).toString(), SchoolFixture::kSchoolName);
    rs->setAbsolutePosition(35);
    EXPECT_EQ(rs->value(0).toString(), "解锁");
    EXPECT_EQ(rs->value(1).toString(), "0");
}

TEST(DataConnections, AWrongPasswordFailsTheSettingsCursor) {
    SchoolFixture school({"语文"}, {"2004"}, {"2004级01班"}, "pw");
    state().DatabasePassword = "other";
    DataControl adodc0, adodc1;
    EXPECT_THROW(ConnectDataControls({}, adodc0, adodc1), platform::db::DbError);
}

} // namespace
