#include "calc_school.h"

#include "common/program_state.h"
#include "common/schema.h"
#include "common/settings_files.h"
#include "grades/calc/core/calculation_run.h"
#include "platform/text/gbk.h"
#include "support/failing_vfs.h"
#include "support/other_program.h"
#include "support/school_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>
#include <functional>
#include "support/test_files.h"


namespace {

const QString kConfirmStart = QStringLiteral("由于计算时会牵涉到修改许多共享数据");

using testsupport::str;

} // namespace

TEST(CalculationRun, EveryRefusalLeavesDataAndLogUntouched) {
    struct Case {
        const char* name;
        std::function<void(CalcSchool&)> setup;
        RunAnswer confirm;
        QString message;   // "" when none follows the confirmation
    };
    const Case cases[] = {
        {"answer No", {}, RunAnswer::No, {}},
        {"excellent line abc", [](CalcSchool& s) { s.inputs.excellentLine = "abc"; }, RunAnswer::Yes,
         "优生分数线不能小于及格分数线!"},
        {"poor line above pass line", [](CalcSchool& s) { s.inputs.poorLine = "60.5"; }, RunAnswer::Yes,
         "及格分数线不能小于差生分数线!"},
        {"previous term without path",
         [](CalcSchool& s) {
             s.inputs.previousTerm = true;
             s.inputs.previousTermPath = "   ";
         },
         RunAnswer::Yes, "请您指出的上期成绩库所在的路径."},
        {"previous term path missing",
         [](CalcSchool& s) {
             s.inputs.previousTerm = true;
             s.inputs.previousTermPath = s.school.folder() + "/上期.mdb";
         },
         RunAnswer::Yes, "您指出的上期成绩库不存在,请检查路径是否正确."},
        {"x of Exp without previous term", [](CalcSchool& s) { s.inputs.formulas[1] = "Exp(h)"; }, RunAnswer::Yes,
         "你不计算提高率,但却在计算式中使用了上学期的参数"},
        {"formula failing its sample test",
         [](CalcSchool& s) {
             s.inputs.formulas[0] = "c/g";
             s.formulas = [](const std::array<QString, 4>& f) { return f[0] != "c/g"; };
         },
         RunAnswer::Yes, "您输入的考绩分计算式有误，请修改后重新计算。"},
        {"subject out of place in a scaled table",
         [](CalcSchool& s) {
             s.db().dropTable("相对成绩表");
             s.db().createTable(scoreTableDef("相对成绩表", {"语文", "英语", "数学"}));
         },
         RunAnswer::Yes, "科目数学在年级表和相对成绩表中的位置不一致,无法计算.请检查数据库."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CalcSchool s;
        s.student("2004", "01", "张三", {105, 50, 0});
        s.oldLog();
        if (c.setup)
            c.setup(s);
        const QString before = s.everything();
        s.host.answer(c.confirm, {});
        if (!c.message.isEmpty())
            s.host.answer(RunAnswer::Ok, c.message);
        EXPECT_EQ(s.run(), End::Refused);
        EXPECT_TRUE(s.host.shown.front().text.startsWith(kConfirmStart));
        EXPECT_EQ(s.host.shown.size(), c.message.isEmpty() ? 1u : 2u);
        EXPECT_EQ(str(s.everything()), str(before));
        EXPECT_EQ(s.logBytes(), QByteArray("old log\r\n"));
        EXPECT_EQ(s.host.locks, 0);
        EXPECT_EQ(s.host.clears, c.confirm == RunAnswer::Yes ? 1 : 0);
    }
}

TEST(CalculationRun, EqualScoreLinesAreAcceptedAndTheRunCompletes) {
    CalcSchool s;
    s.inputs.excellentLine = s.inputs.passLine = s.inputs.poorLine = QStringLiteral("60");
    s.student("2004", "01", "张三", {80, 70, 60});
    s.host.answer(RunAnswer::Yes)
        .answer(RunAnswer::Ok, QStringLiteral("计算完成! 如果您了解详细的计算过程中产生的各种数据,请参阅") +
                                          programFolder() + QStringLiteral("/记算过程中产生的数据.txt 这一个文件."));
    EXPECT_EQ(s.run(), End::Completed);
    EXPECT_EQ(str(s.marksOf("20040001")), "80 70 60 210 70");
    EXPECT_EQ(s.host.locks, 1);
    EXPECT_EQ(s.host.unlocks, 1);
    EXPECT_EQ(s.host.stages, (QList<int>{0, 1, 2, 3, 6}));
    EXPECT_EQ(s.host.lastTitle(), QStringLiteral("提示"));
}

// The marks of one student after the mark checking, with the prompts it asked.
TEST(CalculationRun, MarkCheckingCases) {
    struct Answer {
        bool input;          // an input box, else a message box
        QString typed;       // input answer ("" = Cancel)
        RunAnswer result;    // message answer
    };
    auto typed = [](const QString& t) { return Answer{true, t, RunAnswer::Ok}; };
    auto pressed = [](RunAnswer r) { return Answer{false, {}, r}; };
    struct Case {
        const char* name;
        QVariantList full;                 // 语文 数学 英语 of 2004
        std::vector<QVariantList> marks;   // one list per student of 2004级01班
        bool askZeroMark, askZeroTotal;
        std::vector<Answer> answers;
        End end;
        QStringList expected;              // marksOf of each student
        QStringList unticked;
    };
    const QVariant e;   // an empty mark or full mark
    const Case cases[] = {
        {"too high, answered", {100, 100, 100}, {{105, 50, 50}}, false, false, {typed("98")}, End::Completed,
         {"98 50 50 198 66"}, {}},
        {"too high, asked again", {100, 100, 100}, {{105, 50, 50}}, false, false, {typed("120"), typed("98分")},
         End::Completed, {"98 50 50 198 66"}, {}},
        {"too high, abandoned after an earlier answer", {100, 100, 100}, {{105, 130, 50}}, false, false,
         {typed("98"), typed("")}, End::Aborted, {"98 130 50 - -"}, {}},
        {"papers not taken are emptied", {100, 0, e}, {{80, 30, 20}}, false, false, {typed("0"), typed("-1")},
         End::Completed, {"80 - - 80 80"}, {}},
        {"a zero of a paper not taken is emptied without a question", {100, 0, e}, {{80, 0, e}}, false, false, {},
         End::Completed, {"80 - - 80 80"}, {}},
        {"empty mark of a paper not taken asks nothing", {100, 0, e}, {{80, e, e}}, true, false, {}, End::Completed,
         {"80 - - 80 80"}, {}},
        {"zero mark, default answer", {100, 100, 100}, {{80, e, 70}}, true, false, {typed("0")}, End::Completed,
         {"80 0 70 150 50"}, {}},
        {"zero mark, cancel stops asking", {100, 100, 100}, {{e, e, 70}, {e, 0, 0}}, true, false, {typed("")},
         End::Completed, {"0 - 70 70 23.33333", "- 0 0 0 0"}, {"Check51"}},
        {"zero mark, a word reads 0", {100, 100, 100}, {{80, 0, 70}}, true, false, {typed("缺考")}, End::Completed,
         {"80 0 70 150 50"}, {}},
        {"zero mark, a negative answer is kept", {100, 100, 100}, {{80, 0, 70}}, true, false, {typed("-5")},
         End::Completed, {"80 -5 70 145 48.33333"}, {}},
        {"zero mark, above full asks again", {100, 100, 100}, {{80, 0, 70}}, true, false,
         {typed("120"), typed("60")}, End::Completed, {"80 60 70 210 70"}, {}},
        {"not checking zero marks", {100, 100, 100}, {{80, 0, e}}, false, false, {}, End::Completed,
         {"80 0 - 80 26.66667"}, {}},
        {"an absent mark weighs 0 in the average", {100, 100, 0}, {{90, e, e}}, false, false, {}, End::Completed,
         {"90 - - 90 45"}, {}},
        {"zero total, Yes deletes", {100, 100, 0}, {{5, -5, e}, {50, 50, e}}, false, true,
         {pressed(RunAnswer::Yes)}, End::Completed, {"gone", "50 50 - 100 50"}, {}},
        {"zero total, No keeps", {100, 100, 0}, {{5, -5, e}}, false, true, {pressed(RunAnswer::No)},
         End::Completed, {"5 -5 - 0 0"}, {}},
        {"zero total, Cancel stops asking", {100, 100, 0}, {{5, -5, e}, {e, e, e}}, false, true,
         {pressed(RunAnswer::Cancel)}, End::Completed, {"5 -5 - 0 0", "- - - 0 0"}, {"Check52"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CalcSchool s;
        s.inputs.askZeroMark = c.askZeroMark;
        s.inputs.askZeroTotal = c.askZeroTotal;
        s.fullMarks("2004", c.full);
        for (const QVariantList& m : c.marks)
            s.student("2004", "01", "张三", m);
        s.host.answer(RunAnswer::Yes);
        for (const Answer& a : c.answers) {
            if (a.input)
                s.host.type(a.typed);
            else
                s.host.answer(a.result);
        }
        if (c.end == End::Completed)
            s.host.answer(RunAnswer::Ok);
        const float before = state().StudentCount;
        EXPECT_EQ(s.run(), c.end);
        for (int i = 0; i < int(c.expected.size()); ++i)
            EXPECT_EQ(str(s.marksOf(QStringLiteral("2004%1").arg(i + 1, 4, 10, QLatin1Char('0')))),
                      str(c.expected[i]));
        const int deleted = int(c.expected.count(QStringLiteral("gone")));
        EXPECT_EQ(state().StudentCount, before - float(deleted));
        EXPECT_EQ(s.host.unticked, c.unticked);
        EXPECT_EQ(s.host.finishes, c.end == End::Aborted ? 1 : 0);
        if (c.end == End::Aborted) {
            EXPECT_TRUE(s.logBytes().isEmpty());
        }
    }
}

TEST(CalculationRun, PromptsNameTheStudentAndOfferSafeDefaults) {
    CalcSchool s;
    s.inputs.askZeroMark = true;
    s.fullMarks("2004", {100, 100, 0});
    s.student("2004", "01", "张三", {105, 0, QVariant()});
    s.student("2004", "02", "李四", {5, -5, QVariant()});
    s.host.answer(RunAnswer::Yes)
        .type("100")   // accepting the offered full mark ends the question
        .type("60")
        .type("-5")
        .answer(RunAnswer::No)
        .answer(RunAnswer::Ok);
    EXPECT_EQ(s.run(), End::Completed);
    const auto& shown = s.host.shown;
    ASSERT_EQ(shown.size(), 6u);
    EXPECT_EQ(str(shown[1].text), "  考号:0001  2004级01班 张三同学的语文成绩大于最高分 100,请重新输入.");
    EXPECT_EQ(str(shown[1].title), "分数太高");
    EXPECT_EQ(str(shown[1].defaultText), " 100");
    EXPECT_EQ(str(shown[2].text),
              "  考号:0001  2004级01班 张三同学的数学成绩为零分,请重新输入.单击“取消”以后将不再做这种检查!");
    EXPECT_EQ(str(shown[2].title), "分数为零");
    EXPECT_EQ(str(shown[2].defaultText), "0");
    EXPECT_EQ(str(shown[4].text), "  考号:0002   2004级02班的李四同学总分为零,是否将他(她)删除?");
    EXPECT_EQ(str(shown[4].title), "李四总分为零分");
    EXPECT_EQ(shown[4].buttons, RunButtons::YesNoCancel);
    // Enter on the zero-total question must not delete a student.
    EXPECT_EQ(shown[4].defaultButton, RunAnswer::No);
    EXPECT_EQ(str(s.marksOf("20040001")), "100 60 - 160 80");
}

namespace {

// Two classes with every kind of mark the tables meet, a grade level without
// full marks, one without students and a student whose grade level has no row.
void smallSchool(CalcSchool& s) {
    const QVariant e;
    s.inputs.askZeroTotal = false;
    s.fullMarks("2004", {150, 100, e});
    s.fullMarks("2005", {0, 100, 100});
    s.db().insertRow("年级表", {"年级"}, {"2003"});
    s.student("2004", "01", "张三", {90, 72, e});
    s.student("2004", "01", "李四", {60, 56, e});
    s.student("2004", "02", "王五", {e, 50, e});
    s.student("2003", "01", "赵六", {e, e, e});
    s.student("2007", "01", "钱七", {80, 80, 80});
    s.teacher("甲老师", {{"2004级01班", "语文"}, {"2004级02班", "数学"}});
    s.teacher("乙老师", {});
    s.teacher("丙老师", {{"2005级01班", "数学"}});
}

QByteArray golden(const QString& name) {
    QFile f(QStringLiteral(CALC_GOLDEN_DIR) + QLatin1Char('/') + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<no golden file>");
}

} // namespace

TEST(CalculationRun, ScaledAndRelativeTablesAndTheirLog) {
    CalcSchool s;
    smallSchool(s);
    s.host.answer(RunAnswer::Yes).answer(RunAnswer::Ok);
    ASSERT_EQ(s.run(), End::Completed);

    // 150 and 90 give 60; the best class average 64 gives 1.25, so 72 gives 90.
    EXPECT_EQ(str(s.marksOf("20040001", "绝对成绩表")), "60 72 - 132 66");
    EXPECT_EQ(str(s.marksOf("20040003", "绝对成绩表")), "- 50 - 50 25");
    EXPECT_EQ(str(s.marksOf("20040003", "相对成绩表")), "- 62.5 - 62.5 31.25");
    EXPECT_EQ(s.db().scalar("SELECT 数学 FROM 相对成绩表 WHERE STID='20040001'").toFloat(), 90.0f);
    // No paper taken: 总分 0, 平均分 empty; no 年级表 row: no scaled rows.
    EXPECT_EQ(str(s.marksOf("20030004", "相对成绩表")), "- - - 0 -");
    EXPECT_EQ(str(s.marksOf("20070005", "绝对成绩表")), "gone");
    EXPECT_EQ(s.db().scalar("SELECT count(*) FROM 绝对成绩表").toInt(), 4);
    EXPECT_EQ(s.db().scalar("SELECT count(*) FROM 相对成绩表").toInt(), 4);

    const QByteArray log = s.logBytes();
    EXPECT_TRUE(log.contains(platform::toGbk("绝对系数0.6666667  1    \r\n")));
    EXPECT_TRUE(log.contains(platform::toGbk("75/1.066667  64/1.25  0/0  \r\n")));
    EXPECT_EQ(log, golden("small_school.txt"));
    if (log != golden("small_school.txt")) {
        QFile out(QDir::temp().filePath("small_school.actual.txt"));
        if (out.open(QIODevice::WriteOnly))
            out.write(log);
    }
}

// The scaled tables take 成绩表 as the mark checking left it: a mark answered,
// a paper not taken emptied, a student deleted gone from the rows and from
// his class's averages.
TEST(CalculationRun, TheScaledTablesTakeTheMarksAsTheCheckingLeftThem) {
    CalcSchool s;
    const QVariant e;
    s.inputs.askZeroMark = false;
    s.inputs.askZeroTotal = true;
    s.fullMarks("2004", {100, 100, 0});
    s.student("2004", "01", "甲", {105, 50, 0});
    s.student("2004", "01", "乙", {0, 0, e});
    s.student("2004", "01", "丙", {60, 80, e});
    s.host.answer(RunAnswer::Yes).type("98").answer(RunAnswer::Yes).answer(RunAnswer::Ok);
    ASSERT_EQ(s.run(), End::Completed);

    EXPECT_EQ(str(s.marksOf("20040001", "绝对成绩表")), "98 50 - 148 74");
    EXPECT_EQ(str(s.marksOf("20040002", "绝对成绩表")), "gone");
    EXPECT_EQ(str(s.marksOf("20040002", "相对成绩表")), "gone");
    EXPECT_EQ(str(s.marksOf("20040003", "绝对成绩表")), "60 80 - 140 70");
    EXPECT_EQ(s.db().scalar("SELECT count(*) FROM 相对成绩表").toInt(), 2);
    const QByteArray log = s.logBytes();
    EXPECT_TRUE(log.contains(platform::toGbk("2004级01班  79   65      \r\n"))) << log.toStdString();
    EXPECT_FALSE(log.contains(platform::toGbk("乙"))) << log.toStdString();
}

// A grade level and its classes are found as the database compares texts:
// ASCII case aside. Classes are listed in its text order with an empty 班
// first; a class written in two cases is one class, named as its first
// student names it, and its average decides the relative factor.
TEST(CalculationRun, ClassesAndGradeLevelsMatchAsTheDatabaseComparesThem) {
    CalcSchool s;
    const QVariant e;
    s.inputs.askZeroTotal = false;
    s.db().insertRow("年级表", {"年级", "语文", "数学", "英语"}, {"ab", 100, 100, 100});
    s.student("AB", "b2", "甲", {40, e, 10});
    s.student("ab", "a1", "乙", {70, e, -5});
    s.student("Ab", "x", "丙", {30, e, e});
    s.db().execute("UPDATE 成绩表 SET 班=NULL WHERE 姓名='丙'");
    s.student("aB", "A1", "丁", {50, e, e});
    s.student("ab", "10", "戊", {e, e, 20});
    s.student("ab", "B2", "己", {60, e, e});
    s.host.answer(RunAnswer::Yes).answer(RunAnswer::Ok);
    ASSERT_EQ(s.run(), End::Completed);

    const QByteArray log = s.logBytes();
    EXPECT_TRUE(log.contains(platform::toGbk("各班平均分\r\n"
                                             "ab级班  30         \r\n"
                                             "ab级10班        20   \r\n"
                                             "ab级a1班  60      -5   \r\n"
                                             "ab级b2班  50      10   \r\n"
                                             "\r\n平均分的最高分/相对系数\r\n"
                                             "60/1.333333  0/0  20/4  \r\n")))
        << log.toStdString();
    EXPECT_EQ(s.db().scalar("SELECT count(*) FROM 相对成绩表").toInt(), 6);
    // Stored order is kept: the students of a level in their own order.
    EXPECT_EQ(str(s.marksOf("ab0001", "相对成绩表")), "53.33334 - 40 93.33334 31.11111");
    EXPECT_EQ(str(s.marksOf("ab0002", "相对成绩表")), "93.33334 - -20 73.33334 24.44444");
    EXPECT_EQ(s.db().scalar("SELECT group_concat(STID) FROM 绝对成绩表").toString(),
              QStringLiteral("AB0001,ab0002,Ab0003,aB0004,ab0005,ab0006"));
}

// A grade level listed twice in 年级表 (in two cases) meets its students a
// second time as the first pass left them: a mark answered stays answered, a
// student deleted stays gone.
TEST(CalculationRun, AGradeLevelListedTwiceMeetsItsStudentsAsTheFirstPassLeftThem) {
    CalcSchool s;
    s.inputs.askZeroMark = false;
    s.inputs.askZeroTotal = true;
    s.db().insertRow("年级表", {"年级", "语文", "数学", "英语"}, {"ab", 50, 100, 100});
    s.db().insertRow("年级表", {"年级", "语文", "数学", "英语"}, {"AB", 45, 100, 100});
    s.student("ab", "01", "甲", {80, 60, 60});
    s.student("AB", "01", "乙", {0, 0, 0});
    s.host.answer(RunAnswer::Yes).type("40").answer(RunAnswer::Yes).answer(RunAnswer::Ok);
    ASSERT_EQ(s.run(), End::Completed);
    EXPECT_EQ(str(s.marksOf("ab0001")), "40 60 60 160 53.33333");
    EXPECT_EQ(str(s.marksOf("AB0002")), "gone");
}

// A value the scaled tables' fields refuse ends the run with the file's own
// refusal, whether it was read (a name written past the rules) or computed
// (a scaled total beyond a single). A file whose catalog gives the tables'
// fields more room than their own rules is refused as damaged.
TEST(CalculationRun, AScaledRowItsFieldsRefuseEndsTheRunWithTheRefusal) {
    struct Case { const char* name; std::function<void(CalcSchool&)> setUp; const char* refusal; };
    const Case cases[] = {
        {"a name too long", [](CalcSchool& s) {
             s.db().execute("UPDATE 成绩表 SET 姓名='张' WHERE STID='20040001'");
             testsupport::OtherProgram other(s.school.databasePath());
             other.run("PRAGMA ignore_check_constraints=1");
             other.run("UPDATE 成绩表 SET 姓名='欧阳长名字' WHERE STID='20040001'");
         }, "字段 姓名 最多只能有 3 个字符."},
        {"a scaled mark beyond a single", [](CalcSchool& s) {
             s.fullMarks("2004", {0.001, 100, 100});
             s.db().execute("UPDATE 成绩表 SET 语文=-3e38 WHERE STID='20040001'");
         }, "字段 总分 的数值超出范围."},
        {"a catalog wider than the rules", [](CalcSchool& s) {
             s.db().execute("UPDATE msys_fields SET size=10 WHERE name='姓名' AND tbl IN ('绝对成绩表','相对成绩表')");
             s.db().tableNames();   // the catalog read again, as at opening
             testsupport::OtherProgram other(s.school.databasePath());
             other.run("PRAGMA ignore_check_constraints=1");
             other.run("UPDATE 成绩表 SET 姓名='欧阳长名' WHERE STID='20040001'");
         }, "数据库文件已损坏"},
    };
    for (const Case& c : cases) {
        CalcSchool s;
        s.inputs.askZeroTotal = false;
        s.fullMarks("2004", {100, 100, 100});
        s.student("2004", "01", "张三", {90, 72, 60});
        c.setUp(s);
        s.host.answer(RunAnswer::Yes).answer(RunAnswer::Ok);
        EXPECT_EQ(s.run(), End::Failed) << c.name;
        EXPECT_TRUE(s.host.lastMessage().contains(QString::fromUtf8(c.refusal))) << c.name << ": "
                                                                               << str(s.host.lastMessage());
        // The row refused is not stored (绝对成绩表 is written second).
        EXPECT_EQ(s.db().scalar("SELECT count(*) FROM 绝对成绩表").toInt(), 0) << c.name;
    }
}

// A row of 绝对成绩表 refused (its scaled total beyond a single) while its
// row of 相对成绩表 fits: both tables and the log end at the student before
// it, as when each row was its own statement.
TEST(CalculationRun, AScaledRowRefusedInOneTableEndsBothTablesAndTheLogAtOneStudent) {
    CalcSchool s;
    s.inputs.askZeroTotal = false;
    s.fullMarks("2004", {0.001, 100, 100});
    for (int i = 0; i < 40; ++i)   // more than are written at once
        s.student("2004", "01", QStringLiteral("生%1").arg(i + 1), {QVariant(), 72, 60});
    s.db().execute("UPDATE 成绩表 SET 语文=-3e38 WHERE STID='20040020'");
    s.host.answer(RunAnswer::Yes).answer(RunAnswer::Ok);
    EXPECT_EQ(s.run(), End::Failed);
    EXPECT_TRUE(s.host.lastMessage().contains(QStringLiteral("字段 总分 的数值超出范围."))) << str(s.host.lastMessage());
    for (const char* table : {"绝对成绩表", "相对成绩表"})
        EXPECT_EQ(s.db().scalar(QStringLiteral("SELECT group_concat(substr(STID, 7)) FROM %1").arg(QString::fromUtf8(table)))
                      .toString(),
                  QStringLiteral("01,02,03,04,05,06,07,08,09,10,11,12,13,14,15,16,17,18,19"))
            << table;
    const QByteArray log = s.logBytes();
    EXPECT_TRUE(log.endsWith(platform::toGbk("\r\n")));
    EXPECT_TRUE(log.contains(platform::toGbk("\r\n20040019 2004.01  生19   "))) << log.right(300).toStdString();
    EXPECT_FALSE(log.contains(platform::toGbk("\r\n20040020 "))) << log.right(300).toStdString();
}

// A total its field refuses ends the run there: the students before it have
// their totals, the one refused and those after keep their old ones.
TEST(CalculationRun, ATotalItsFieldRefusesKeepsTheStudentsBeforeIt) {
    CalcSchool s;
    s.inputs.askZeroTotal = false;
    s.fullMarks("2004", {100, 100, 100});
    for (int i = 0; i < 40; ++i)   // more than are written at once
        s.student("2004", "01", QStringLiteral("生%1").arg(i + 1), {90, 72, 60});
    s.db().execute("UPDATE 成绩表 SET 总分=1");
    s.db().execute("UPDATE 成绩表 SET 语文=-3e38, 数学=-3e38 WHERE STID='20040020'");   // a sum beyond a single
    s.host.answer(RunAnswer::Yes).answer(RunAnswer::Ok);
    EXPECT_EQ(s.run(), End::Failed);
    EXPECT_TRUE(s.host.lastMessage().contains(QStringLiteral("字段 总分 的数值超出范围."))) << str(s.host.lastMessage());
    EXPECT_EQ(str(s.marksOf("20040001")), "90 72 60 222 74");
    EXPECT_EQ(str(s.marksOf("20040019")), "90 72 60 222 74");
    EXPECT_EQ(str(s.marksOf("20040020")), "-3e+38 -3e+38 60 1 -");
    EXPECT_EQ(str(s.marksOf("20040021")), "90 72 60 1 -");
    EXPECT_EQ(str(s.marksOf("20040040")), "90 72 60 1 -");
}

// A write made while the scaled tables are written (a timer's, as the window
// lets events in between students) meets the file's rules: a name too long
// is refused, a right one stored, and the tables come out whole.
TEST(CalculationRun, AWriteFromATimerDuringTheTablesMeetsTheRules) {
    CalcSchool s;
    smallSchool(s);
    struct LettingEventsIn : ScriptedHost {
        bool stopRequested() override {
            QCoreApplication::processEvents();
            return ScriptedHost::stopRequested();
        }
    } host;
    int refused = 0, stored = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (host.stages.isEmpty() || host.stages.back() != 1)
            return;
        for (const QString& name : {QStringLiteral("欧阳长名"), QStringLiteral("钱八")}) {
            try {
                s.db().execute("UPDATE 成绩表 SET 姓名=? WHERE STID='20070005'", {name});
                ++stored;
            } catch (const platform::db::DbError& e) {
                EXPECT_EQ(e.kind(), platform::db::DbError::TooLong) << str(e.text());
                ++refused;
            }
        }
    });
    timer.start(0);
    host.answer(RunAnswer::Yes).answer(RunAnswer::Ok);
    CalculationRun r(s.school.db(), s.inputs, host, s.formulas);
    EXPECT_EQ(r.run(), End::Completed);
    timer.stop();
    EXPECT_GE(stored, 4);   // at each student's poll, after a grade level's rows are written too
    EXPECT_EQ(refused, stored);
    EXPECT_EQ(s.db().scalar("SELECT 姓名 FROM 成绩表 WHERE STID='20070005'").toString(), QStringLiteral("钱八"));
    EXPECT_EQ(s.db().scalar("SELECT count(*) FROM 绝对成绩表").toInt(), 4);
    EXPECT_EQ(s.db().scalar("SELECT count(*) FROM 相对成绩表").toInt(), 4);
}

TEST(CalculationRun, AStopKeepsWhatWasWrittenBeforeIt) {
    // In the mark checking, inside the second student: the first is done, the
    // second keeps his old total, the tables and the log are as a stop there leaves them.
    {
        CalcSchool s;
        smallSchool(s);
        s.db().execute("UPDATE 成绩表 SET 总分=1");
        s.db().insertRow("绝对成绩表", {"STID", "年级", "班", "姓名"}, {"20049999", "2004", "01", "旧生"});
        s.host.stopAtPoll = 2 + 3 + 2;   // two papers counted, three fields, two fields
        s.host.answer(RunAnswer::Yes);
        EXPECT_EQ(s.run(), End::Stopped);
        EXPECT_EQ(str(s.marksOf("20040001")), "90 72 - 162 81");
        EXPECT_EQ(str(s.marksOf("20040002")), "60 56 - 1 -");
        EXPECT_EQ(s.db().scalar("SELECT count(*) FROM 绝对成绩表").toInt(), 1);
        EXPECT_TRUE(s.logBytes().isEmpty());
        EXPECT_EQ(s.host.unlocks, 1);
        EXPECT_EQ(s.host.shown.size(), 1u);
    }
    // In the tables, after k students of the second grade level: exactly those rows.
    {
        CalcSchool s;
        smallSchool(s);
        s.student("2003", "01", "孙八", {QVariant(), QVariant(), QVariant()});
        struct StopInTables : ScriptedHost {
            int tablePolls = 0;
            bool stopRequested() override {
                if (!stages.isEmpty() && stages.back() == 1 && ++tablePolls == 3 + 1)
                    stopFlag = true;
                return stopFlag;
            }
        } host;
        host.answer(RunAnswer::Yes);
        CalculationRun r(s.school.db(), s.inputs, host, s.formulas);
        EXPECT_EQ(r.run(), End::Stopped);
        EXPECT_EQ(s.db().scalar("SELECT count(*) FROM 绝对成绩表").toInt(), 4);
        EXPECT_EQ(s.db().scalar("SELECT count(*) FROM 相对成绩表").toInt(), 4);
        EXPECT_EQ(str(s.marksOf("20030004", "绝对成绩表")), "- - - 0 -");
        EXPECT_EQ(str(s.marksOf("20030006", "绝对成绩表")), "gone");
        EXPECT_EQ(str(s.marksOf("20030006", "相对成绩表")), "gone");
        EXPECT_TRUE(s.logBytes().endsWith(platform::toGbk("20030004 2003.01  赵六   \r\n")));
    }
}

TEST(CalculationRun, ALogThatCannotBeMadeEndsTheRunWithNothingChanged) {
    CalcSchool s;
    smallSchool(s);
    ASSERT_TRUE(QDir(s.school.folder()).mkdir(CalculationRun::kLogName));
    const QString before = s.everything();
    s.host.answer(RunAnswer::Yes).answer(RunAnswer::Ok);
    EXPECT_EQ(s.run(), End::Failed);
    EXPECT_TRUE(s.host.lastMessage().startsWith(QStringLiteral("无法建立记录文件")));
    // Why, in Chinese: a folder stands where the log should be.
    EXPECT_TRUE(s.host.lastMessage().endsWith(QStringLiteral(",计算没有进行.\r\n这是一个文件夹,不是文件")))
        << str(s.host.lastMessage());
    EXPECT_EQ(str(s.everything()), str(before));
    EXPECT_EQ(s.host.locks, 1);
    EXPECT_EQ(s.host.unlocks, 1);
}

// A file that refuses every write (a read-only folder, a full disk) ends the
// run with the reason in the system's words, and nothing claims that data
// was kept: nothing was.
TEST(CalculationRun, AFileThatTakesNoWriteIsToldAndNothingIsClaimedSaved) {
    const struct {
        const char* label;
        std::function<void(testsupport::FailingVfs&)> refuse;
        const char* said;
    } cases[] = {
        {"read-only folder", [](testsupport::FailingVfs& v) { v.refuseJournals(true); }, "数据库所在的文件夹是只读的"},
        {"full disk", [](testsupport::FailingVfs& v) { v.failWrites(true); }, "磁盘已满"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        testsupport::FailingVfs vfs;      // before the school, so that its file goes through it
        CalcSchool s;
        smallSchool(s);
        const QString before = s.everything();
        c.refuse(vfs);
        s.host.answer(RunAnswer::Yes).answer(RunAnswer::Ok);
        EXPECT_EQ(s.run(), End::Failed);
        const QString said = s.host.lastMessage();
        EXPECT_TRUE(said.contains(QString::fromUtf8(c.said))) << str(said);
        EXPECT_TRUE(said.endsWith(QStringLiteral("没有任何数据能够保存."))) << str(said);
        EXPECT_FALSE(said.contains(QStringLiteral("已经保存"))) << str(said);
        EXPECT_EQ(s.host.unlocks, 1);
        vfs.refuseJournals(false);
        vfs.failWrites(false);
        EXPECT_EQ(str(s.everything()), str(before));
    }
}
