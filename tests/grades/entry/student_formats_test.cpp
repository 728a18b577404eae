// The forms of the student id and the class number and the SQL check of the
// advanced window: no database needed.
#include "grades/entry/core/student_manager.h"
#include "grades/entry/core/student_roster.h"
#include "platform/db/typedsql.h"

#include <gtest/gtest.h>

using namespace entry;

TEST(StudentIdFormat, GradeIdThenFourDigitSerial) {
    EXPECT_EQ(studentIdFor("2004", 1), "20040001");
    EXPECT_EQ(studentIdFor("2004", 37), "20040037");
    EXPECT_EQ(studentIdFor("2004", 9999), "20049999");
}

TEST(StudentIdFormat, SerialIsTheLeadingNumberOfTheLastFourCharacters) {
    struct Case { const char* id; int serial; } cases[] = {
        {"20040037", 37}, {"20049999", 9999}, {"2004abcd", 0}, {"200412ab", 12},
        {"37", 37}, {"", 0}, {"2004 3.5", 4}, {"2004 2.5", 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(serialOfStudentId(QString::fromUtf8(c.id)), c.serial) << c.id;
}

TEST(ClassNumberFormat, WidthAndValue) {
    EXPECT_EQ(classNumberText(5, 2), "05");
    EXPECT_EQ(classNumberText(5, 3), "005");
    EXPECT_EQ(classNumberText(100, 2), "100");
    EXPECT_EQ(classNumberValue("07"), 7);
    EXPECT_EQ(classNumberValue("007"), 7);
    EXPECT_EQ(classNumberValue("xxx"), 0);
}

TEST(ClassLabel, BuiltAndParsedBack) {
    const QString label = classLabel("2004", "01");
    EXPECT_EQ(label, "2004级01班");
    EXPECT_EQ(gradeOfLabel(label), "2004");
    EXPECT_EQ(classOfLabel(label), "01");
}

TEST(StudentManagerSql, DefaultTextQuotesItsValues) {
    EXPECT_EQ(StudentManager::defaultSql("2004", "01"),
              "select 学号,姓名,总分,年级,班,STID,考号 from 成绩表 where 年级='2004' and 班='01' order by 总分 desc");
    EXPECT_TRUE(platform::db::isReadOnlySelect(StudentManager::defaultSql("20'4", "0'")));
}
