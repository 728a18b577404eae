// The texts of the teacher assessment view from rows of 教师表 given here.
#include "grades/results/core/teacher_assessment.h"

#include "common/schema.h"
#include "support/test_files.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <utility>

using namespace results;

namespace {

// A row of 教师表 in its stored field order with the given fields set.
TeacherRecord teacher(std::initializer_list<std::pair<const char*, QVariant>> fields) {
    TeacherRecord t;
    for (const auto& f : teacherTableDef().fields) {
        t.names << f.name;
        t.values << QVariant();
    }
    for (const auto& [name, value] : fields) {
        const qsizetype i = t.names.indexOf(QString::fromUtf8(name));
        EXPECT_GE(i, 0) << name;
        t.values[i] = value;
    }
    return t;
}

// The teacher 甲乙 with two classes of 语文.
TeacherRecord jiaYi() {
    return teacher({{"姓名", "甲乙"}, {"考绩分", 85.66667f}, {"任课班数", 2}, {"学生总数", 120}, {"差生人数", 5},
                    {"及格人数", 100}, {"优生人数", 30}, {"总分", 943.5f}, {"平均分", 78.53333f}, {"最高分", 98.0f},
                    {"最低分", 12.0f}, {"上期平均分", 80.5f}, {"上期优生率", 0.25f}, {"上期及格率", 0.833333f},
                    {"上期差生率", 0.0f}, {"任课班级1", "2004级01班"}, {"科目1", "语文"},
                    {"任课班级2", "2004级02班"}, {"科目2", "语文"}});
}

QString line(const QString& report, int n) { return report.split(QStringLiteral("\r\n")).value(n - 1); }

} // namespace

TEST(TeacherReport, TheEightLinesInSixColumnFields) {
    const QString expected = QStringLiteral(
        "考绩分:  85.66\r\n"
        "\r\n"
        "本期情况:\r\n"
        "  学生总数: 120    优生人数: 30     及格人数: 100    差生人数: 5      最高分: 98     最低分: 12     总分: 943.5  \r\n"
        "  平 均 分: 78.53  优 生 率:0.25    及 格 率:0.8333  差 生 率:0.0416  \r\n"
        "\r\n"
        "上期情况:\r\n"
        "  平 均 分: 80.5   优 生 率:0.25    及 格 率:0.8333  差 生 率:0.      ");
    EXPECT_EQ(teacherReport(jiaYi()), expected);
    EXPECT_EQ(scoreCaption(85.66667f), QStringLiteral("85.67分"));
}

TEST(TeacherReport, FieldsCutNeverRoundedAndNullsBlank) {
    struct Case { std::initializer_list<std::pair<const char*, QVariant>> fields; int line; const char* text; };
    const Case cases[] = {
        {{{"总分", 523.25f}}, 4, "总分: 523.2  "},
        {{{"总分", 1234.5f}}, 4, "总分: 1234.  "},
        {{{"优生人数", 0}}, 5, "优 生 率:0.      及 格 率"},
        {{{"上期平均分", -12.5f}}, 8, "平 均 分:-12.5   优 生 率:      "},
        {{{"考绩分", -3.5f}}, 1, "考绩分: -3.5  "},
        // The previous term was not compared: its four fields stay blank.
        {{}, 8, "  平 均 分:        优 生 率:        及 格 率:        差 生 率:        "},
    };
    for (const Case& c : cases) {
        std::vector<std::pair<const char*, QVariant>> all{{"姓名", "甲乙"}, {"学生总数", 120}};
        all.insert(all.end(), c.fields.begin(), c.fields.end());
        TeacherRecord t = teacher({});
        for (const auto& [name, value] : all) t.values[t.names.indexOf(QString::fromUtf8(name))] = value;
        EXPECT_TRUE(line(teacherReport(t), c.line).contains(QString::fromUtf8(c.text)))
            << c.text << " in\n" << line(teacherReport(t), c.line).toStdString();
    }
}

TEST(TeacherReport, NoStudentsNoReportAndANullScoreReadsZero) {
    EXPECT_EQ(teacherReport(teacher({{"姓名", "甲乙"}, {"考绩分", 80.0f}})), QString());
    EXPECT_EQ(teacherReport(teacher({{"姓名", "甲乙"}, {"学生总数", 0}})), QString());
    EXPECT_EQ(scoreCaption(QVariant()), QStringLiteral("0.分"));
    EXPECT_EQ(scoreCaption(85.0f), QStringLiteral("85.分"));
    EXPECT_EQ(scoreCaption(-3.5f), QStringLiteral("-3.5分"));
}

TEST(TeacherAssignments, FilledSlotsInOrderAndANullSubjectLeavesTheBlank) {
    const auto a = assignmentsOf(teacher({{"任课班级1", "2004级01班"}, {"科目1", "语文"},
                                         {"任课班级3", "2004级02班"}, {"任课班级20", "2005级01班"},
                                         {"科目20", "数学"}}));
    ASSERT_EQ(a.size(), 3u);
    EXPECT_EQ(a[0].item(), QStringLiteral("2004级01班 语文"));
    EXPECT_EQ(a[1].item(), QStringLiteral("2004级02班 "));
    EXPECT_EQ(a[2].item(), QStringLiteral("2005级01班 数学"));
}

TEST(TeacherOverall, SumOfScoresAndTheAverageOverEveryTeacher) {
    EXPECT_EQ(overallText({80.0f, QVariant(), 70.0f}),
              QStringLiteral("考绩分共有:150 分\n\n考绩分的平均分为:50 分"));
    EXPECT_EQ(overallText({}), QStringLiteral("考绩分共有:0 分\n\n考绩分的平均分为:0 分"));
    EXPECT_EQ(overallText({0.5f, 0.0f}), QStringLiteral("考绩分共有:.5 分\n\n考绩分的平均分为:.25 分"));
}

TEST(TeacherPrintout, TheBlockOfATeacher) {
    EXPECT_EQ(printoutBlock(jiaYi()),
              QStringLiteral("甲乙 考绩分:85.66及格率: 83.3%   优生率: 25% /2/120/5/100/30/943.5/78.53/98/12/\n"
                             "     2004级01班 语文 2004级02班 语文 \n"));
    // Without assignments, students or score: blanks in their place, nothing divided.
    EXPECT_EQ(printoutBlock(teacher({{"姓名", "丙"}, {"任课班数", 0}, {"学生总数", 0}})),
              QStringLiteral("丙 考绩分:      及格率:     %   优生率:     % /0/0/     /     /     /     /     /     /     /\n"
                             "     \n"));
    // A nameless teacher loses the leading blank of his block.
    EXPECT_TRUE(printoutBlock(teacher({{"姓名", ""}})).startsWith(QStringLiteral("考绩分:")));
}

TEST(TeacherClassLists, HeadingNamesInSixColumnsMarksInFive) {
    const Assignment a{QStringLiteral("2004级01班"), QStringLiteral("语文")};
    EXPECT_EQ(classList(a, {{"甲乙", 85.5f}, {"张三丰", 85.66667f}, {"王", 100.0f}, {"李四", QVariant()}}),
              (QStringList{"2004级01班 语文(4人)", "甲乙   85.5 ", "张三丰 85.66", "王     100  ",
                           "李四        ", " "}));
    EXPECT_EQ(classList(a, {}), (QStringList{"2004级01班 语文(0人)", " "}));
    EXPECT_EQ(classListWithoutSubject({QStringLiteral("2004级01班"), QString()}).first(),
              QStringLiteral("2004级01班 "));
}

TEST(TeacherScoreTable, OnlyTheThreeScoreTablesPass) {
    EXPECT_EQ(assessmentScoreTable("绝对成绩表"), QStringLiteral("绝对成绩表"));
    EXPECT_EQ(assessmentScoreTable("相对成绩表"), QStringLiteral("相对成绩表"));
    for (const char* stored : {"成绩表", "", "教师表", "成绩表 where 1=1; --", "成绩表 "})
        EXPECT_EQ(assessmentScoreTable(QString::fromUtf8(stored)), QStringLiteral("成绩表")) << stored;
}
