// Clearing for a new examination and clearing the teaching assignments,
// checked over the whole database against what must stay.
#include "grades/maintenance/core/new_examination.h"

#include "platform/db/database.h"
#include "support/school_fixture.h"

#include <QMap>
#include <gtest/gtest.h>

using platform::db::Database;
using platform::db::DbError;

namespace {

using Snapshot = QMap<QString, std::vector<QVariantList>>;

struct NewExaminationTest : ::testing::Test {
    SchoolFixture school{{"语文", "数学"}, {"2004"}, {"2004级01班", "2004级02班"}};
    Database& db = *school.db();

    NewExaminationTest() {
        for (const QString& table : {QStringLiteral("成绩表"), QStringLiteral("绝对成绩表"), QStringLiteral("相对成绩表")})
            for (int i = 1; i <= 3; ++i)
                db.insertRow(table, {"STID", "年级", "班", "姓名", "学号", "考号", "考室", "座位", "总分", "平均分", "语文", "数学"},
                             {QStringLiteral("2004000%1").arg(i), "2004", "01", QStringLiteral("学生%1").arg(i),
                              QStringLiteral("0%1").arg(i), QStringLiteral("20040100%1").arg(i), "001",
                              QStringLiteral("0%1").arg(i), 170 + i, 85, 90, 80 + i});
        db.insertRow("教师表", {"姓名", "考绩分", "任课班数", "学生总数", "最高分", "上期差生率", "任课班级1", "科目1", "任课班级7", "科目7"},
                     {QStringLiteral("王老师"), 88.5, 2, 90, 99, 0.1, "2004级01班", "语文", "2004级02班", "数学"});
        db.execute("UPDATE 班级表 SET 语文 = '王老师', 数学 = '王老师'");
        db.execute("UPDATE 状态表 SET 状态 = '是' WHERE 说明 IN ('考号打印', '成绩计算', '成绩打印')");
        db.execute("UPDATE 状态表 SET 状态 = '绝对成绩表' WHERE 说明 = '考绩分用表'");
    }

    Snapshot snapshot() {
        Snapshot s;
        for (const QString& table : db.tableNames())
            s[table] = db.query(QStringLiteral("SELECT * FROM [%1] ORDER BY rowid").arg(table));
        return s;
    }
    static void setNull(std::vector<QVariantList>& rows, int first, int last) {
        for (auto& row : rows)
            for (int i = first; i <= last && i < row.size(); ++i)
                row[i] = QVariant();
    }
};

TEST(BackupName, TwoDigitYearMonthAndDayWithoutZeros) {
    EXPECT_EQ(maintenance::defaultBackupName(QDate(2005, 3, 7)), QStringLiteral("学生成绩库05-3-7.mdb"));
    EXPECT_EQ(maintenance::defaultBackupName(QDate(2026, 12, 10)), QStringLiteral("学生成绩库26-12-10.mdb"));
    EXPECT_EQ(maintenance::defaultBackupName(QDate(2009, 1, 1)), QStringLiteral("学生成绩库09-1-1.mdb"));
}

TEST_F(NewExaminationTest, ClearsScoresAndFiguresAndKeepsEverythingElse) {
    Snapshot expected = snapshot();
    setNull(expected["成绩表"], 8, 11);
    expected["绝对成绩表"].clear();
    expected["相对成绩表"].clear();
    setNull(expected["教师表"], 1, 14);
    auto& settings = expected["状态表"];
    settings[7][1] = settings[8][1] = settings[9][1] = QStringLiteral("否");
    settings[25][1] = QStringLiteral("成绩表");

    maintenance::clearForNewExamination(db);
    EXPECT_EQ(snapshot(), expected);
}

TEST_F(NewExaminationTest, AFailurePartWayClearsNothing) {
    const Snapshot before = snapshot();
    db.execute("CREATE TRIGGER refuse BEFORE DELETE ON 绝对成绩表 BEGIN SELECT RAISE(ABORT, '磁盘已满'); END");
    EXPECT_THROW(maintenance::clearForNewExamination(db), DbError);
    db.execute("DROP TRIGGER refuse");
    EXPECT_EQ(snapshot(), before);
}

TEST_F(NewExaminationTest, AnEmptySchoolStillGetsItsSettingsReset) {
    db.execute("DELETE FROM 成绩表");
    db.execute("DELETE FROM 教师表");
    maintenance::clearForNewExamination(db);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM 绝对成绩表").toInt() + db.scalar("SELECT COUNT(*) FROM 相对成绩表").toInt(), 0);
    EXPECT_EQ(db.scalar("SELECT 状态 FROM 状态表 WHERE 说明 = '考号打印'").toString(), QStringLiteral("否"));
    EXPECT_EQ(db.scalar("SELECT 状态 FROM 状态表 WHERE 说明 = '考绩分用表'").toString(), QStringLiteral("成绩表"));
}

TEST_F(NewExaminationTest, ClearingAssignmentsEmptiesBothSidesOnly) {
    Snapshot expected = snapshot();
    setNull(expected["班级表"], 2, 3);
    setNull(expected["教师表"], 15, 54);

    maintenance::clearTeachingAssignments(db);
    EXPECT_EQ(snapshot(), expected);
    maintenance::clearTeachingAssignments(db);   // a second run changes nothing
    EXPECT_EQ(snapshot(), expected);
}

} // namespace

// A subject may be any two characters the setup takes, a closing bracket too.
TEST(NewExamination, ClearsSubjectsWhoseNamesHoldSignsOfSql) {
    SchoolFixture school{{"a]", "x'", "\"b"}, {"2004"}, {"2004级01班"}};
    Database& db = *school.db();
    db.insertRow("成绩表", {"STID", "年级", "班", "姓名", "a]", "x'", "\"b"}, {"20040001", "2004", "01", "张三", 1, 2, 3});
    maintenance::clearForNewExamination(db);
    EXPECT_EQ(db.query("SELECT \"a]\", \"x'\", \"\"\"b\" FROM 成绩表"),
              (std::vector<QVariantList>{{QVariant(), QVariant(), QVariant()}}));
}
