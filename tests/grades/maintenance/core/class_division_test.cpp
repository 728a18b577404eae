// Re-forming a grade level's classes without the window: the plan, the
// placing rules, the lines shown and the write-back on a small school.
#include "grades/maintenance/core/class_division.h"

#include "common/random_source.h"
#include "platform/db/database.h"
#include "support/scripted_random.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <gtest/gtest.h>
#include <map>

using namespace maintenance::division;
using platform::db::Database;
using platform::db::DbError;

namespace {

// ---------------------------------------------------------------- placing

struct PlannedClass {
    const char* cls;
    const char* type;
    int planned;
    int kept = 0;   // students it keeps (a kept class), 0 for a re-formed or new one
};

struct PlacingCase {
    const char* name;
    std::vector<PlannedClass> classes;
    int students;            // pooled, ranked 1..n by total
    bool fastSlow;
    Rule rule;
    std::vector<double> keys;                       // 随机分班 only
    std::map<QString, std::vector<int>> expected;   // class -> ranks placed in it
};

std::vector<int> range(int from, int to) {
    std::vector<int> out;
    for (int r = from; r <= to; ++r)
        out.push_back(r);
    return out;
}

std::vector<DivisionStudent> ranked(int n) {
    std::vector<DivisionStudent> out;
    for (int r = 1; r <= n; ++r) {
        DivisionStudent s;
        s.stid = QStringLiteral("2004%1").arg(r, 4, 10, QLatin1Char('0'));
        s.cls = QStringLiteral("99");   // former class: none of the plan
        s.newClass = s.cls;
        out.push_back(s);
    }
    return out;
}

std::vector<DivisionClass> planned(const std::vector<PlannedClass>& classes) {
    std::vector<DivisionClass> out;
    for (const PlannedClass& c : classes)
        out.push_back({"2004", QString::fromUtf8(c.cls), c.kept, c.planned, c.kept, QString::fromUtf8(c.type),
                       c.kept == 0});
    return out;
}

std::map<QString, std::vector<int>> placedRanks(const std::vector<DivisionStudent>& students) {
    std::map<QString, std::vector<int>> out;
    for (int i = 0; i < int(students.size()); ++i)
        if (students[size_t(i)].placed)
            out[students[size_t(i)].newClass].push_back(i + 1);
    return out;
}

TEST(DivisionPlacing, RulesPlaceTheRankedStudents) {
    const std::vector<PlacingCase> cases = {
        {"fast, slow and two parallel classes by score",
         {{"01", "快", 30}, {"02", "慢", 30}, {"03", "平", 20}, {"04", "平", 20}}, 100, true, Rule::ByScore, {},
         {{"01", range(1, 30)}, {"02", range(71, 100)}, {"03", range(31, 50)}, {"04", range(51, 70)}}},
        {"best and worst in turn over three classes of four",
         {{"01", "平", 4}, {"02", "平", 4}, {"03", "平", 4}}, 12, true, Rule::Even, {},
         {{"01", {1, 4, 9, 12}}, {"02", {2, 5, 8, 11}}, {"03", {3, 6, 7, 10}}}},
        {"a kept class with one free seat takes one student, then is passed over",
         {{"01", "平", 4, 3}, {"02", "平", 4}}, 5, true, Rule::Even, {},
         {{"01", {1}}, {"02", {2, 3, 4, 5}}}},
        {"a kept class at its size takes nobody (by score)",
         {{"01", "常", 40, 40}, {"05", "常", 10}}, 10, false, Rule::ByScore, {}, {{"05", range(1, 10)}}},
        {"a kept class at its size takes nobody (in turn)",
         {{"01", "常", 40, 40}, {"05", "常", 10}}, 10, false, Rule::Even, {}, {{"05", range(1, 10)}}},
        {"a kept class at its size takes nobody (random)",
         {{"01", "常", 40, 40}, {"05", "常", 10}}, 10, false, Rule::Random,
         {.1, .2, .3, .4, .5, .6, .7, .8, .9, .05}, {{"05", range(1, 10)}}},
        {"a class of another type gets nobody",
         {{"01", "快", 2}, {"02", "常", 5}, {"03", "平", 2}}, 6, true, Rule::ByScore, {},
         {{"01", {1, 2}}, {"03", {3, 4}}}},
        {"more seats than students leave the last seats empty",
         {{"01", "常", 10}, {"02", "常", 10}}, 15, false, Rule::ByScore, {},
         {{"01", range(1, 10)}, {"02", range(11, 15)}}},
        {"fewer seats than students: the rest keep their class",
         {{"01", "平", 2}, {"02", "平", 2}}, 7, false, Rule::Even, {}, {{"01", {1, 4}}, {"02", {2, 3}}}},
        {"random order: largest key first, equal keys in list order",
         {{"01", "平", 2}, {"02", "平", 2}}, 4, true, Rule::Random, {.1, .9, .5, .9},
         {{"01", {2, 4}}, {"02", {1, 3}}}},
    };
    for (const PlacingCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto classes = planned(c.classes);
        auto students = ranked(c.students);
        ScriptedRandom keys(c.keys);
        divideByClassType(classes, students, c.fastSlow, c.rule, keys);
        EXPECT_EQ(placedRanks(students), c.expected);
        for (const DivisionStudent& s : students) {
            if (!s.placed) {
                EXPECT_EQ(s.newClass, "99");
            }
        }
    }
}

TEST(DivisionPlacing, TwoRandomDivisionsDifferButFillTheSameSeats) {
    auto divide = [](uint64_t seed) {
        auto classes = planned({{"01", "平", 20}, {"02", "平", 20}, {"03", "平", 20}});
        auto students = ranked(60);
        ClockRandomSource random(seed);
        divideByClassType(classes, students, true, Rule::Random, random);
        return placedRanks(students);
    };
    const auto first = divide(1);
    const auto second = divide(2);
    EXPECT_NE(first, second);
    for (const auto& [cls, ranks] : first)
        EXPECT_EQ(ranks.size(), second.at(cls).size()) << cls.toStdString();
    EXPECT_EQ(first.at("01").size(), 20u);
}

// ---------------------------------------------------------------- plan

struct PlanTest : ::testing::Test {
    std::vector<ClassEntry> classes{{"2004", "01", 45, false},
                                    {"2004", "02", 40, true},
                                    {"2004", "03", 38, false},
                                    {"2005", "01", 50, false}};
    DivisionPlan plan;
    void SetUp() override { ASSERT_TRUE(plan.build(classes, true)); }
};

TEST_F(PlanTest, BuiltFromTheTickedClassesGradeBalanced) {
    EXPECT_EQ(plan.grade(), "2004");
    EXPECT_EQ(plan.lineTexts(),
              (QStringList{"2004级01班 45人 平 45人", "2004级02班 40人 平 40人", "2004级03班 38人 平 38人"}));
    EXPECT_EQ(plan.remainingText(), "还剩:0人");

    DivisionPlan none;
    EXPECT_FALSE(none.build({{"2004", "01", 45, false}}, true));
    EXPECT_TRUE(none.empty());
}

TEST_F(PlanTest, TicksOfAnotherGradeAreRefused) {
    classes[3].ticked = true;
    const TickResult tick = checkTicks(classes);
    EXPECT_EQ(tick.check, TickCheck::OtherGrade);
    EXPECT_EQ(tick.untick, 3);
    EXPECT_EQ(tickMessage(tick.check), "你不能同时选不同年级的班.");
    classes[3].ticked = false;
    EXPECT_EQ(checkTicks(classes).check, TickCheck::Fine);
}

TEST_F(PlanTest, AddingEditingAndRemovingClasses) {
    // A new class takes its sorted place; the balance goes negative.
    EXPECT_EQ(plan.add("5", "40", "快"), 3);
    EXPECT_EQ(plan.lineTexts().at(3), "2004级05班   人 快 40人");
    EXPECT_EQ(plan.remainingText(), "还剩:-40人");
    EXPECT_EQ(plan.add("02", "10", "平行"), std::nullopt);
    EXPECT_EQ(plan.add("", "", "慢"), std::optional<int>(0));   // no check: class 00 of size 00
    EXPECT_EQ(plan.lineTexts().at(0), "2004级00班   人 慢 00人");

    // The kept class 01 (45) may grow, not shrink; the re-formed 02 may shrink.
    EXPECT_EQ(plan.edit(1, "40", "平"), std::nullopt);
    EXPECT_EQ(plan.lineTexts().at(1), "2004级01班 45人 平 45人");
    EXPECT_EQ(plan.edit(1, "50", "快行"), 1);
    EXPECT_EQ(plan.lineTexts().at(1), "2004级01班 45人 快 50人");
    EXPECT_EQ(plan.edit(2, "12", "慢"), 2);
    EXPECT_EQ(plan.lineTexts().at(2), "2004级02班 40人 慢 12人");

    // Kept classes cannot be removed; removing the last line selects the first.
    EXPECT_EQ(plan.remove(1), std::nullopt);
    EXPECT_EQ(plan.remove(4), std::optional<int>(0));   // 05
    EXPECT_EQ(plan.remove(2), 2);   // 02, re-formed: its place goes to 03
    EXPECT_EQ(plan.lineTexts(), (QStringList{"2004级00班   人 慢 00人", "2004级01班 45人 快 50人",
                                             "2004级03班 38人 平 38人"}));
}

TEST_F(PlanTest, RebuildingWithoutFastAndSlowDropsAddedClasses) {
    plan.add("05", "20", "快");
    ASSERT_TRUE(plan.build(classes, false));
    EXPECT_EQ(plan.lineTexts(),
              (QStringList{"2004级01班 45人 常 45人", "2004级02班 40人 常 40人", "2004级03班 38人 常 38人"}));
}

TEST(DivisionLines, ClassesOfAHundredShowThreeDigits) {
    EXPECT_EQ(classLineText({"2004", "01", 7, false}), "2004级01班 07人");
    EXPECT_EQ(classLineText({"2004", "01", 104, false}), "2004级01班 104人");
    DivisionPlan plan;
    plan.build({{"2004", "01", 104, true}}, true);
    EXPECT_EQ(plan.lineTexts(), QStringList{"2004级01班 104人 平 104人"});
}

TEST(DivisionLines, StudentSummaryAndManualLines) {
    DivisionStudent s{1, "20040001", "王小明", "2004", "01", "03", "512.5", true};
    EXPECT_EQ(studentLine(s), "王小明 512.5 01 03");
    EXPECT_EQ(manualLabel(s), "2004级01班 王小明 总分512.5 ");
    DivisionStudent shortName{2, "20040002", "李明", "2004", "02", "02", "0", false};
    EXPECT_EQ(studentLine(shortName), "李明   0     02 02");

    const std::vector<DivisionClass> classes{{"2004", "01", 45, 45, 0, "平", true},
                                             {"2004", "03", 45, 50, 45, "平", false},
                                             {"2004", "05", 0, 10, 0, "快", false}};
    EXPECT_EQ(summaryLines(classes, {s, shortName}),
              (QStringList{"01班 完全重新组合  现为0人", "03班 原来45人  将增加1人", "05班 原来0人  将增加0人"}));
}

// ---------------------------------------------------------------- database

struct DivisionDbTest : ::testing::Test {
    SchoolFixture school{{"语文", "数学"}, {"2004", "2005"},
                         {"2004级01班", "2004级02班", "2004级03班", "2004级06班", "2005级01班"}};
    Database& db = *school.db();

    void addStudent(const QVariant& stid, const QString& grade, const QString& cls, const QVariant& total,
                    const QVariant& name = QStringLiteral("学生")) {
        db.insertRow("成绩表", {"STID", "年级", "班", "姓名", "总分"}, {stid, grade, cls, name, total});
    }
    QString classOf(const QString& stid) {
        return db.scalar("SELECT 班 FROM 成绩表 WHERE STID = ?", {stid}).toString();
    }
    bool hasClassRow(const QString& grade, const QString& cls) {
        return db.scalar("SELECT COUNT(*) FROM 班级表 WHERE 年级 = ? AND 班 = ?", {grade, cls}).toInt() > 0;
    }
};

TEST_F(DivisionDbTest, ClassesAndPooledStudentsInScoreOrder) {
    addStudent("20040001", "2004", "01", 300);
    addStudent("20040002", "2004", "01", QVariant());
    addStudent("20040003", "2004", "02", 512.3);
    addStudent("20040004", "2004", "03", 600);
    addStudent("20050001", "2005", "01", 700);
    addStudent(QVariant(), "2004", "02", 400, QVariant());   // no STID, no name: pooled all the same

    std::vector<ClassEntry> classes = loadClasses(db);
    ASSERT_EQ(classes.size(), 4u);
    EXPECT_EQ(classLineText(classes[0]), "2004级01班 02人");
    EXPECT_EQ(classLineText(classes[3]), "2005级01班 01人");
    classes[0].ticked = classes[1].ticked = true;

    const auto students = loadStudents(db, classes);
    QStringList order;
    for (const DivisionStudent& s : students)
        order << s.stid + QLatin1Char('/') + s.total;
    EXPECT_EQ(order, (QStringList{"20040003/512.3", "/400", "20040001/300", "20040002/0"}));
}

TEST_F(DivisionDbTest, WriteBackMovesPooledStudentsAndKeepsTheRest) {
    // 01 and 02 pooled; 03 kept; 06 has no students and takes no part; 2005 untouched.
    addStudent("20040001", "2004", "01", 500);
    addStudent("20040002", "2004", "02", 400);
    addStudent("20040003", "2004", "02", 300);
    addStudent("20040004", "2004", "03", 200);
    addStudent("20050001", "2005", "01", 100);
    addStudent(QVariant(), "2004", "01", 50, QVariant());   // no STID, no name: moved like the others
    db.execute("DELETE FROM 班级表 WHERE 年级 = '2004' AND 班 = '01'");   // 01 comes back as a new class
    std::vector<ClassEntry> classes = loadClasses(db);
    classes[0].ticked = classes[1].ticked = true;

    DivisionPlan plan;
    plan.build(classes, false);
    ASSERT_TRUE(plan.remove(1));   // 02 leaves the plan
    auto divided = divisionClasses(plan, classes);
    auto students = loadStudents(db, classes);
    ASSERT_EQ(students.size(), 4u);
    students[0].newClass = "03";
    students[1].newClass = "01";
    students[2].newClass = "01";
    students[3].newClass = "03";
    // Someone else re-used the third row meanwhile: it is left alone.
    db.execute("UPDATE 成绩表 SET STID = '20049999' WHERE STID = '20040003'");

    writeDivision(db, "2004", classes, divided, students);
    EXPECT_EQ(classOf("20040001"), "03");
    EXPECT_EQ(classOf("20040002"), "01");
    EXPECT_EQ(classOf("20049999"), "02");
    EXPECT_EQ(classOf("20040004"), "03");
    EXPECT_EQ(classOf("20050001"), "01");
    EXPECT_EQ(db.scalar("SELECT 班 FROM 成绩表 WHERE STID IS NULL").toString(), "03");
    EXPECT_TRUE(hasClassRow("2004", "01"));
    EXPECT_TRUE(hasClassRow("2004", "02"));   // still has the student written elsewhere
    EXPECT_TRUE(hasClassRow("2004", "06"));   // empty, but outside the division

    // Once empty, a re-formed class dropped from the plan loses its row.
    db.execute("UPDATE 成绩表 SET 班 = '03' WHERE STID = '20049999'");
    writeDivision(db, "2004", classes, divided, {});
    EXPECT_FALSE(hasClassRow("2004", "02"));
    EXPECT_TRUE(hasClassRow("2004", "06"));
}

TEST_F(DivisionDbTest, AFailedWriteBackChangesNothing) {
    addStudent("20040001", "2004", "01", 500);
    std::vector<ClassEntry> classes = loadClasses(db);
    classes[0].ticked = true;
    DivisionPlan plan;
    plan.build(classes, false);
    plan.add("07", "5", "常");
    auto divided = divisionClasses(plan, classes);
    auto students = loadStudents(db, classes);
    students[0].newClass = "07";
    db.dropTable("班级表");   // the class rows cannot be reached
    EXPECT_THROW(writeDivision(db, "2004", classes, divided, students), DbError);
    EXPECT_EQ(classOf("20040001"), "01");
}

} // namespace
