#include "support/db_fixture.h"

#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "support/test_files.h"

using namespace platform::db;

namespace {

using testsupport::s;

using DataControlTest = testsupport::DbFixture;

QString connectionText(const QString& path, const QString& password) {
    return s("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path
        + s(";Persist Security Info=False;Jet OLEDB:Database Password=") + password;
}

TEST_F(DataControlTest, ControlsShareTheConnectionAndSeeEachOthersWrites) {
    db_->createTable({s("状态表"), {{s("说明"), FieldType::Text, 15, true}, {s("状态"), FieldType::Text, 25}}});
    {
        Transaction t(*db_);
        for (int i = 1; i <= 37; ++i)
            db_->insertRow(s("状态表"), {s("说明"), s("状态")}, {s("行%1").arg(i), QString::number(i)});
        t.commit();
    }
    db_->setPassword({}, s("pw"));

    DataControl adodc0, adodc1;
    adodc0.setConnectionString(connectionText(path(), s("pw")));
    adodc0.setCommandType(8);
    adodc0.setRecordSource(s("状态表"));
    int moved = 0;
    QObject::connect(&adodc0, &DataControl::moveComplete, [&] { ++moved; });
    adodc0.refresh();
    EXPECT_EQ(moved, 1);
    Recordset* settings = adodc0.recordset();
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->absolutePosition(), 1);
    settings->setAbsolutePosition(35);
    EXPECT_EQ(settings->value(1).toString(), s("35"));
    EXPECT_EQ(moved, 2);
    settings->setValue(1, s("3"));

    adodc1.setConnectionString(connectionText(path(), s("pw")));
    EXPECT_EQ(adodc1.database(), nullptr);
    adodc1.setRecordSource(s("select 状态 from 状态表 where 说明 = 'x' or 说明 = ?"), {s("行35")});
    adodc1.refresh();
    EXPECT_EQ(adodc1.database().get(), adodc0.database().get());
    EXPECT_EQ(adodc1.recordset()->value(0).toString(), s("35"));    // not yet stored

    settings->setAbsolutePosition(1);
    adodc1.refresh();
    EXPECT_EQ(adodc1.recordset()->value(0).toString(), s("3"));

    adodc1.setRecordSource(QString());
    EXPECT_EQ(adodc1.recordset(), nullptr);

    DataControl wrong;
    wrong.setConnectionString(connectionText(path(), s("nope")));
    wrong.setRecordSource(s("状态表"));
    try {
        wrong.refresh();
        ADD_FAILURE();
    } catch (const DbError& e) {
        EXPECT_EQ(e.kind(), DbError::WrongPassword);
    }
}

TEST_F(DataControlTest, NewRecordSourceStoresThePendingEdit) {
    addStudents({{s("20040001"), s("2004"), s("01"), s("张三"), s("01"), 1}});
    DataControl ad1;
    ad1.setConnectionString(connectionText(path(), {}));
    ad1.setRecordSource(s("select 学号,姓名,年级,班,STID,考号 from 成绩表 where 年级 = '2004' and 班 = '01'"));
    ad1.refresh();
    ad1.recordset()->setValue(s("姓名"), s("李四"));
    ad1.setRecordSource(s("成绩表"));
    EXPECT_EQ(db_->scalar(s("SELECT 姓名 FROM 成绩表")).toString(), s("李四"));
    ad1.refresh();
    EXPECT_EQ(ad1.recordset()->fieldCount(), 12);
}

// A window owning a data control is half destroyed when the control goes:
// destruction stores the pending edit but tells no one, so no window's slot
// runs on what is left of it.
TEST_F(DataControlTest, DestructionStoresThePendingEditWithoutSignals) {
    addStudents({{s("20040001"), s("2004"), s("01"), s("张三"), s("01"), 1}});
    int signalled = 0;
    {
        DataControl ad1;
        ad1.setConnectionString(connectionText(path(), {}));
        ad1.setRecordSource(s("select 姓名 from 成绩表"));
        ad1.refresh();
        for (auto sig : {&DataControl::recordsetChanged, &DataControl::moveComplete, &DataControl::willMove})
            QObject::connect(&ad1, sig, [&] { ++signalled; });
        ad1.recordset()->setValue(s("姓名"), s("李四"));
    }
    EXPECT_EQ(signalled, 0);
    EXPECT_EQ(db_->scalar(s("SELECT 姓名 FROM 成绩表")).toString(), s("李四"));
}

} // namespace
