#include "common/settings_rows.h"

#include "common/class_label.h"
#include "common/program_state.h"
#include "common/schema.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "support/school_fixture.h"

#include <gtest/gtest.h>

using platform::db::DbError;

TEST(SettingsRows, ReadAndStoreByNameOverAnyRecordSetOnTheTable) {
    SchoolFixture school;
    platform::db::DataControl cursor;
    cursor.setConnectionString(state().connectionText());
    cursor.setRecordSource(table::Settings);
    cursor.refresh();
    const SettingsRows rows(cursor);
    EXPECT_EQ(rows.value(Setting::SchoolName), SchoolFixture::kSchoolName);
    EXPECT_EQ(rows.value(Setting::ExamCardsPrinted), "否");
    EXPECT_EQ(rows.value(Setting::AssessmentScoreTable), "成绩表");
    EXPECT_EQ(rows.value(earlierDatabaseRow(5)), "0");
    EXPECT_EQ(rows.value(Setting::ExamNumberLength), "0");
    // Positions are the format: each name sits on the row the defaults put it.
    const auto& defaults = settingsRowDefaults();
    EXPECT_EQ(defaults[size_t(Setting::LockLevel) - 1].name, "解锁");
    EXPECT_EQ(defaults[size_t(Setting::ExamNumberLength) - 1].name, "考号长度");
    EXPECT_EQ(defaults[size_t(Setting::TeacherFormula4) - 1].name, "教师考绩分4");

    rows.store(Setting::LockLevel, "2");
    // Stored at once, and read by a second record set on its own.
    const auto stored = school.db()->query("select 状态 from 状态表 where 说明 = '解锁'");
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].value(0).toString(), "2");
    EXPECT_EQ(SettingsRows(*cursor.recordset()).value(Setting::LockLevel), "2");
}

TEST(SettingsRows, AClosedCursorOrAMissingRowIsADatabaseError) {
    SchoolFixture school;
    platform::db::DataControl closed;
    EXPECT_THROW(SettingsRows{closed}, DbError);

    school.db()->execute("delete from 状态表 where 说明 = '考号长度'");
    platform::db::DataControl cursor;
    cursor.setConnectionString(state().connectionText());
    cursor.setRecordSource(table::Settings);
    cursor.refresh();
    EXPECT_THROW(SettingsRows(cursor).value(Setting::ExamNumberLength), DbError);
}

// The settings cursor stays open for the whole run while the other program
// writes rows of the same table.
TEST(SettingsRows, ARowTheOtherProgramWroteMeanwhileIsStillWritten) {
    SchoolFixture school;
    platform::db::DataControl cursor;
    cursor.setConnectionString(state().connectionText());
    cursor.setRecordSource(table::Settings);
    cursor.refresh();
    const SettingsRows rows(cursor);
    school.db()->execute("update 状态表 set 状态 = '3' where 说明 = '解锁'");
    rows.store(Setting::LockLevel, "1");
    EXPECT_EQ(school.db()->scalar("select 状态 from 状态表 where 说明 = '解锁'").toString(), "1");
    EXPECT_EQ(rows.value(Setting::LockLevel), "1");
    EXPECT_EQ(rows.value(Setting::SchoolName), SchoolFixture::kSchoolName);
}

TEST(ClassLabels, BuiltParsedAndSortedAlikeEverywhere) {
    EXPECT_EQ(classLabel("2004", "01"), "2004级01班");
    EXPECT_EQ(gradeLabel("2004"), "2004级");
    EXPECT_EQ(gradeOfLabel("2005级12班"), "2005");
    EXPECT_EQ(classOfLabel("2005级12班"), "12");
    QStringList labels = {"2005级01班", "2004级10班", "2005级", "2004级02班", "2004级"};
    sortClassLabels(labels);
    EXPECT_EQ(labels, QStringList({"2004级", "2004级02班", "2004级10班", "2005级", "2005级01班"}));
}
