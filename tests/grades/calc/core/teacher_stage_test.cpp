#include "calc_school.h"

#include "common/schema.h"
#include "grades/calc/core/formula.h"
#include "platform/text/gbk.h"

#include <QCryptographicHash>
#include <QDir>
#include <gtest/gtest.h>
#include <future>
#include <new>
#include <system_error>
#include "support/test_files.h"

namespace {

using testsupport::str;

// Marks on and around the lines (80, 60, 40), an absent mark in each class,
// and a class of another grade level without students.
struct TeacherSchool : CalcSchool {
    TeacherSchool() {
        const QVariant e;
        inputs.askZeroTotal = false;
        inputs.scope = 1;   // 成绩表: the marks as typed
        fullMarks("2004", {100, 100, 100});
        fullMarks("2005", {100, 100, 100});
        student("2004", "01", "张三", {90, 80, e});      // 20040001
        student("2004", "01", "李四", {60, 40, 59.5});   // 20040002
        student("2004", "01", "王五", {e, 100, 80});     // 20040003
        student("2004", "02", "赵六", {70, 30, 100});    // 20040004
    }
    // The stored figures of a teacher: 任课班数 学生总数 差生 及格 优生 总分 平均分 最高 最低 | 上期 x4 | 考绩分.
    QString figures(const QString& name) {
        const auto rows = db().query(QStringLiteral("SELECT 任课班数,学生总数,差生人数,及格人数,优生人数,总分,平均分,"
                                                    "最高分,最低分,上期平均分,上期及格率,上期优生率,上期差生率,考绩分 "
                                                    "FROM 教师表 WHERE 姓名=?"),
                                     {name});
        if (rows.empty())
            return QStringLiteral("gone");
        QStringList parts;
        for (int i = 0; i < 14; ++i) {
            const QVariant& v = rows.front()[i];
            parts << (v.isNull() ? QStringLiteral("-") : QString::number(v.toDouble(), 'g', 7));
            if (i == 8 || i == 12)
                parts << QStringLiteral("|");
        }
        return parts.join(QLatin1Char(' '));
    }
    QString row26() {
        return db().scalar(QStringLiteral("SELECT 状态 FROM 状态表 WHERE rowid=26")).toString();
    }
    QString log() { return platform::fromGbk(logBytes()); }
    // A copy of the school's file to serve as the previous term, changed by `edit`.
    QString previousTerm(const std::function<void(platform::db::Database&)>& edit) {
        const QString path = QDir(school.folder()).filePath(QStringLiteral("上期.mdb"));
        QFile::remove(path);
        EXPECT_TRUE(QFile::copy(school.databasePath(), path));
        {
            auto prev = platform::db::Database::open(path, state().DatabasePassword);
            edit(*prev);
        }
        inputs.previousTerm = true;
        inputs.previousTermPath = path;
        return path;
    }
};

QByteArray digest(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray("<missing>");
}

const QString kNoFigures = QStringLiteral("- - - - - - - - - | - - - - | -");

} // namespace

TEST(TeacherStage, FiguresOverEveryKindOfAssignment) {
    TeacherSchool s;
    const QVariant e;
    s.teacher("两科", {{"2004级01班", "语文"}, {"2004级01班", "数学"}});
    s.teacher("空位", {{"2004级01班", "英语"}, {e, "语文"}, {e, "数学"}, {"2004级02班", "数学"}});
    s.teacher("无生", {{"2005级01班", "语文"}});
    s.teacher("无课", {});
    s.teacher("写法", {{"2004级02班", " 英语 "}, {"2004级0'班", "语文"}});
    s.db().execute("UPDATE 教师表 SET 考绩分=99, 任课班数=9");
    s.host.answer(RunAnswer::Yes).answer(RunAnswer::Ok);
    ASSERT_EQ(s.run(), End::Completed);

    // Two subjects of one class count every student twice; the absent mark is
    // 0 (lowest, poor); 80 and 60 count, 40 is not poor.
    EXPECT_EQ(str(s.figures("两科")), "2 6 1 4 3 370 61.66667 100 0 | - - - - | 550.5555");
    // Slots 1 and 4 used around a gap, in slot order.
    EXPECT_EQ(str(s.figures("空位")), "2 4 2 1 1 169.5 42.375 80 0 | - - - - | 144.125");
    EXPECT_EQ(str(s.figures("无生")), str(kNoFigures));
    EXPECT_EQ(str(s.figures("无课")), str(kNoFigures));
    // A subject with blanks around it names its column; a label with a quote is only a class without students.
    EXPECT_EQ(str(s.figures("写法")), "2 1 0 1 1 100 100 100 100 | - - - - | 163.3333");
    EXPECT_EQ(str(s.row26()), "成绩表");

    const QString log = s.log();
    EXPECT_TRUE(log.contains(QStringLiteral("教师情况\r\n你选择的库是:成绩表\r\n两科\r\n"
                                            "2004级01班语文 本期共3人           本期成绩/上期成绩\r\n"
                                            "  20040001  90/\r\n  20040002  60/\r\n  20040003  0/\r\n")));
    EXPECT_TRUE(log.contains(QStringLiteral(
        "上期人数:0   上期总分:0   上期优生人数:0   上期及格人数:0   上期差生人数:0\r\n"
        "上期平均分:61.66667   上期优生率:0.5   上期及格率:0.6666667   上期差生率:0.1666667\r\n"
        "任课班数:2   优生人数:3   及格人数:4   差生人数:1   学生总数:6   最高分:100   最低分:0   平均分:61.66667   总分:370\r\n"
        "考绩分第一部分:10.5555566666667考绩分第二部分:190考绩分第三部分:350考绩分第四部分:0最后的考绩分为:550.555556666667\r\n"
        "\r\n\r\n空位\r\n")));
    // Without students: T1, T2, T4, T5, T6 and T8; without assignments: T1, T6, T8.
    EXPECT_TRUE(log.contains(QStringLiteral(
        "无生\r\n2005级01班语文 本期共0人           本期成绩/上期成绩\r\n"
        "上期人数:0   上期总分:0   上期优生人数:0   上期及格人数:0   上期差生人数:0\r\n"
        "上期平均分:0   上期优生率:0   上期及格率:0   上期差生率:0\r\n"
        "任课班数:1   优生人数:0   及格人数:0   差生人数:0   学生总数:0   最高分:0   最低分:10000   平均分:0   总分:0\r\n"
        "\r\n\r\n无课\r\n"
        "任课班数:0   优生人数:0   及格人数:0   差生人数:0   学生总数:0   最高分:0   最低分:10000   平均分:0   总分:0\r\n"
        "\r\n\r\n写法\r\n")));
}

TEST(TeacherStage, ScaledScopeCountsTheScaledMarks) {
    TeacherSchool s;
    s.inputs.scope = 2;
    s.fullMarks("2004", {200, 100, 100});   // 语文 90 scales to 45, 60 to 30
    s.teacher("语文", {{"2004级01班", "语文"}});
    s.host.answer(RunAnswer::Yes).answer(RunAnswer::Ok);
    ASSERT_EQ(s.run(), End::Completed);
    EXPECT_EQ(str(s.figures("语文")), "1 3 2 0 0 75 25 45 0 | - - - - | 0");
    EXPECT_EQ(str(s.row26()), "绝对成绩表");
    EXPECT_TRUE(s.log().contains(QStringLiteral("你选择的库是:绝对成绩表\r\n")));
}

TEST(TeacherStage, PreviousTermFiguresAndTheirFallbacks) {
    TeacherSchool s;
    // Last term: 李四 was not there, 王五's 英语 is empty, 赵六's 数学 is 0.
    const QString path = s.previousTerm([](platform::db::Database& db) {
        db.execute("UPDATE 成绩表 SET 语文=70, 数学=90, 英语=75 WHERE STID='20040001'");
        db.execute("DELETE FROM 成绩表 WHERE STID='20040002'");
        db.execute("UPDATE 成绩表 SET 语文=50, 数学=30, 英语=NULL WHERE STID='20040003'");
        db.execute("UPDATE 成绩表 SET 数学=0 WHERE STID='20040004'");
    });
    const QByteArray before = digest(path);
    s.inputs.formulas[3] = QStringLiteral("w+x+y+z");
    s.teacher("两科", {{"2004级01班", "语文"}, {"2004级01班", "数学"}});
    s.teacher("空一", {{"2004级01班", "英语"}});
    s.teacher("全零", {{"2004级02班", "数学"}});
    s.host.answer(RunAnswer::Yes).answer(RunAnswer::Ok);
    ASSERT_EQ(s.run(), End::Completed);

    // Over the four marks found, not over the six rows.
    EXPECT_EQ(str(s.figures("两科")), "2 6 1 4 3 370 61.66667 100 0 | 60 0.5 0.25 0.25 | 611.5555");
    // An empty previous mark, or previous marks all 0: the current figures stand in.
    EXPECT_EQ(str(s.figures("空一")), "1 3 1 1 1 139.5 46.5 80 0 | 46.5 0.3333333 0.3333333 0.3333333 | 343");
    EXPECT_EQ(str(s.figures("全零")), "1 1 1 0 0 30 30 30 30 | 30 0 0 1 | 31");
    EXPECT_TRUE(s.host.unticked.isEmpty());

    const QString log = s.log();
    EXPECT_TRUE(log.contains(QStringLiteral("  20040001  90/70\r\n  20040002  60/\r\n  20040003  0/50\r\n")));
    EXPECT_TRUE(log.contains(QStringLiteral("上期人数:4   上期总分:240   上期优生人数:1   上期及格人数:2   上期差生人数:1\r\n"
                                            "上期平均分:60   上期优生率:0.25   上期及格率:0.5   上期差生率:0.25\r\n")));
    EXPECT_TRUE(log.contains(QStringLiteral("  20040003  80/\r\n上期人数:2   上期总分:   上期优生人数:0")));
    EXPECT_EQ(digest(path), before);
}

TEST(TeacherStage, APreviousTermThatCannotServeTurnsTheComparisonOff) {
    struct Case {
        const char* what;
        std::function<void(platform::db::Database&)> edit;
        bool notADatabase = false;
        bool damaged = false;   // 成绩表's first page overwritten: only a read of it finds out
        bool pageTwice = false;   // a leaf of 成绩表 listed twice: a read takes its rows twice, another's never
    };
    const std::vector<Case> cases = {
        {"no rows", [](platform::db::Database& db) { db.execute("DELETE FROM 成绩表"); }},
        {"no table", [](platform::db::Database& db) { db.dropTable(QStringLiteral("成绩表")); }},
        {"another password", [](platform::db::Database&) {}},
        {"not a database", [](platform::db::Database&) {}, true},
        {"damaged", [](platform::db::Database&) {}, false, true},
        {"a page listed twice", [](platform::db::Database& db) {
             platform::db::Transaction t(db);
             for (int i = 0; i < 300; ++i)
                 db.execute("INSERT INTO 成绩表 (STID, 年级, 班, 姓名) VALUES (?, '1999', '01', '某')",
                            {QStringLiteral("1999%1").arg(i, 4, 10, QLatin1Char('0'))});
             t.commit();
         }, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TeacherSchool s;
        const QString path = s.previousTerm(c.edit);
        if (QLatin1String(c.what) == QLatin1String("another password"))
            platform::db::Database::changePassword(path, QString(), QStringLiteral("别的"));
        if (c.notADatabase) {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write("not a database\r\n");
        }
        if (c.damaged) {
            qint64 page = 0, size = 0;
            {
                const auto prev = platform::db::Database::openReadOnly(path, state().DatabasePassword);
                page = prev->scalar(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name='成绩表'")).toLongLong();
                size = prev->scalar(QStringLiteral("PRAGMA page_size")).toLongLong();
            }
            ASSERT_GT(page, 1);
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            ASSERT_TRUE(f.seek((page - 1) * size));
            f.write(QByteArray(int(size), '\xff'));
            f.close();
            // Opened without the check at opening, the read is what finds it.
            const auto prev = platform::db::Database::openReadOnly(path, state().DatabasePassword,
                                                                   platform::db::Database::DamageCheck::OnRead);
            try {
                prev->query(QStringLiteral("SELECT * FROM 成绩表"));
                ADD_FAILURE() << "the damaged table was read";
            } catch (const platform::db::DbError& e) {
                EXPECT_EQ(e.kind(), platform::db::DbError::Damaged);
                EXPECT_TRUE(e.text().startsWith(QStringLiteral("数据库文件已损坏"))) << str(e.text());
            }
        }
        if (c.pageTwice) {
            qint64 root = 0, size = 0;
            {
                const auto prev = platform::db::Database::openReadOnly(path, state().DatabasePassword);
                root = prev->scalar(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name='成绩表'")).toLongLong();
                size = prev->scalar(QStringLiteral("PRAGMA page_size")).toLongLong();
            }
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            ASSERT_TRUE(f.seek((root - 1) * size));
            QByteArray page = f.read(size);
            ASSERT_EQ(page[0], '\x05') << "成绩表 has no interior page";
            // The first cell's child becomes the rightmost child.
            const int cell = (uchar(page[12]) << 8) | uchar(page[13]);
            page.replace(cell, 4, page.mid(8, 4));
            ASSERT_TRUE(f.seek((root - 1) * size));
            f.write(page);
            f.close();
            // A plain read finds nothing wrong, and none of the school's students.
            const auto prev = platform::db::Database::openReadOnly(path, state().DatabasePassword,
                                                                   platform::db::Database::DamageCheck::OnRead);
            EXPECT_EQ(prev->scalar(QStringLiteral("SELECT count(*) FROM 成绩表 WHERE 年级='2004'")).toInt(), 0);
        }
        const QByteArray before = digest(path);
        s.teacher("两科", {{"2004级01班", "语文"}, {"2004级01班", "数学"}});
        s.host.answer(RunAnswer::Yes).answer(RunAnswer::Ok, previousTermUnusableMessage()).answer(RunAnswer::Ok);
        ASSERT_EQ(s.run(), End::Completed);
        EXPECT_EQ(s.host.unticked, QStringList{QStringLiteral("Check55")});
        EXPECT_EQ(str(s.figures("两科")), "2 6 1 4 3 370 61.66667 100 0 | - - - - | 550.5555");
        EXPECT_EQ(digest(path), before);
    }
}

TEST(TeacherStage, AFormulaFailingForOneTeacherKeepsTheEarlierOnesOnly) {
    TeacherSchool s;
    s.previousTerm([](platform::db::Database&) {});
    s.inputs.formulas[3] = QStringLiteral("b/x");   // x is 0 for 全零: division by zero
    s.teacher("两科", {{"2004级01班", "语文"}, {"2004级01班", "数学"}});
    s.teacher("全零", {{"2004级02班", "数学"}});
    s.teacher("后来", {{"2004级01班", "语文"}});
    s.db().execute("UPDATE 教师表 SET 考绩分=-1");
    s.host.answer(RunAnswer::Yes).answer(RunAnswer::Ok, calc::formulaFailureMessage());
    EXPECT_EQ(s.run(), End::FormulaFailed);
    EXPECT_EQ(s.host.lastTitle(), QStringLiteral("提示"));
    EXPECT_NE(str(s.figures("两科")), str(kNoFigures));
    EXPECT_EQ(str(s.figures("全零")), "- - - - - - - - - | - - - - | -1");
    EXPECT_EQ(str(s.figures("后来")), "- - - - - - - - - | - - - - | -1");
    EXPECT_EQ(str(s.row26()), "成绩表");   // as before the run
    // The three parts evaluated before the failing fourth stay in the log.
    EXPECT_TRUE(s.log().endsWith(QStringLiteral("总分:30\r\n考绩分第一部分:0考绩分第二部分:-10考绩分第三部分:0")))
        << str(s.log().right(120));
    EXPECT_EQ(s.host.unlocks, 1);

    // A third part failing for a teacher of three classes: the log ends after his second part.
    TeacherSchool three;
    three.inputs.formulas[2] = QStringLiteral("1/(a-3)");
    three.teacher("两科", {{"2004级01班", "语文"}, {"2004级01班", "数学"}});
    three.teacher("三科", {{"2004级01班", "语文"}, {"2004级01班", "数学"}, {"2004级01班", "英语"}});
    three.host.answer(RunAnswer::Yes).answer(RunAnswer::Ok, calc::formulaFailureMessage());
    EXPECT_EQ(three.run(), End::FormulaFailed);
    const QString log = three.log();
    EXPECT_TRUE(log.contains(QStringLiteral("考绩分第四部分:0最后的考绩分为:")));   // 两科 whole
    EXPECT_TRUE(log.endsWith(QStringLiteral("总分:509.5\r\n考绩分第一部分:8.87037考绩分第二部分:156.666666666667")))
        << str(log.right(120));

    // A slot that cannot be queried once a formula was evaluated takes the same exit.
    TeacherSchool t;
    t.teacher("两科", {{"2004级01班", "语文"}});
    t.teacher("错科", {{"2004级01班", "体育"}});
    t.host.answer(RunAnswer::Yes).answer(RunAnswer::Ok, calc::formulaFailureMessage());
    EXPECT_EQ(t.run(), End::FormulaFailed);
}

TEST(TeacherStage, ASlotThatCannotBeQueriedBeforeAnyFormulaEndsTheRunNamingIt) {
    const std::vector<std::pair<QString, QString>> assignments = {
        {"2004级01班", "文' OR '1"}, {"2004级01班", "STID"}, {"2班", "语文"}, {"2004级01班", "  "}};
    for (const auto& [label, subject] : assignments) {
        SCOPED_TRACE(str(label + subject));
        TeacherSchool s;
        s.teacher("无课", {});
        s.teacher("错课", {{label, subject}});
        s.host.answer(RunAnswer::Yes).answer(RunAnswer::Ok);
        EXPECT_EQ(s.run(), End::Stopped);
        const QString shown = s.host.lastMessage();
        EXPECT_TRUE(shown.contains(QStringLiteral("错课")) && shown.contains(label) && shown.contains(subject))
            << str(shown);
        EXPECT_EQ(s.host.lastTitle(), QStringLiteral("错误"));
        EXPECT_EQ(str(s.row26()), "成绩表");
        EXPECT_EQ(s.db().scalar("SELECT count(*) FROM 成绩表").toInt(), 4);
    }
}

TEST(TeacherStage, AStopAfterATeachersFiguresLeavesHisRowAsItWas) {
    TeacherSchool s;
    s.teacher("两科", {{"2004级01班", "语文"}, {"2004级01班", "数学"}});
    s.db().execute("UPDATE 教师表 SET 考绩分=-1");
    struct StopInTeachers : ScriptedHost {
        int teacherPolls = 0, stopAt = 0;
        bool stopRequested() override {
            if (!stages.isEmpty() && stages.back() == 6 && ++teacherPolls == stopAt)
                stopFlag = true;
            return stopFlag;
        }
    };
    // 20 assignments, three rows and the assignment twice, then the teacher's own
    // poll after his score; one poll earlier the score was not reached.
    const std::vector<std::pair<int, QString>> stops = {
        {20 + 4 + 4 + 1, QStringLiteral("最后的考绩分为:550.555556666667\r\n")},
        {20 + 4 + 4, QStringLiteral("  20040003  100/\r\n")}};
    for (const auto& [at, logEnd] : stops) {
        SCOPED_TRACE(at);
        StopInTeachers host;
        host.stopAt = at;
        host.answer(RunAnswer::Yes);
        CalculationRun r(s.school.db(), s.inputs, host, s.formulas);
        r.setLaterStage(teacherStage([](const QString&) { ADD_FAILURE() << "row 26 written"; }));
        EXPECT_EQ(r.run(), End::Stopped);
        EXPECT_EQ(str(s.figures("两科")), "- - - - - - - - - | - - - - | -1");
        EXPECT_EQ(host.shown.size(), 1u);
        EXPECT_TRUE(s.log().endsWith(logEnd)) << str(s.log().right(80));
    }
}

TEST(TeacherStage, RowTwentySixNamesTheTableOfTheLastCompletedRun) {
    TeacherSchool s;
    s.teacher("两科", {{"2004级01班", "语文"}});
    for (const auto& [scope, table] : std::vector<std::pair<int, QString>>{{3, "相对成绩表"}, {1, "成绩表"}, {2, "绝对成绩表"}}) {
        s.inputs.scope = scope;
        s.host.answer(RunAnswer::Yes).answer(RunAnswer::Ok);
        ASSERT_EQ(s.run(), End::Completed);
        EXPECT_EQ(str(s.row26()), str(table));
    }
}

// The scaled tables are taken as the run wrote them: every figure is the one
// the table itself gives, 总分 included, and a STID meets last term's whatever
// the case of its letters.
TEST(TeacherStage, ScaledScopesCountWhatTheTablesHold) {
    for (int scope : {2, 3}) {
        TeacherSchool s;
        s.inputs.scope = scope;
        const QString table = scoreTableOfScope(scope);
        s.db().execute("UPDATE 成绩表 SET STID='a0002x' WHERE STID='20040002'");
        s.fullMarks("2004", {200, 100, 120});
        s.teacher("语文", {{"2004级01班", "语文"}});
        s.teacher("总分", {{"2004级01班", "总分"}, {"2004级02班", "英语"}});
        s.host.answer(RunAnswer::Yes).answer(RunAnswer::Ok);
        ASSERT_EQ(s.run(), End::Completed) << scope;   // last term's tables
        s.previousTerm([&table](platform::db::Database& db) {
            db.execute(QStringLiteral("UPDATE %1 SET STID='A0002X' WHERE STID='a0002x'").arg(table));
        });
        s.host.answer(RunAnswer::Yes).answer(RunAnswer::Ok);
        ASSERT_EQ(s.run(), End::Completed) << scope;
        auto held = [&](const QString& field, const QString& classes) {
            const auto row = s.db().query(QStringLiteral("SELECT count(*), total(coalesce(%1,0)), max(0,max(coalesce(%1,0))), "
                                                         "min(coalesce(%1,0)) FROM %2 WHERE 年级='2004' AND 班 IN (%3)")
                                              .arg(field, table, classes)).front();
            QStringList parts;
            for (const QVariant& v : row)
                parts << QString::number(v.toDouble(), 'g', 6);
            return parts.join(QLatin1Char(' '));
        };
        auto stored = [&](const QString& teacher) {
            const auto row = s.db().query(QStringLiteral("SELECT 学生总数,总分,最高分,最低分 FROM 教师表 WHERE 姓名=?"),
                                          {teacher}).front();
            QStringList parts;
            for (const QVariant& v : row)
                parts << QString::number(v.toDouble(), 'g', 6);
            return parts.join(QLatin1Char(' '));
        };
        EXPECT_EQ(stored("语文"), held("语文", "'01'")) << scope;
        const auto sum = s.db().query(QStringLiteral("SELECT count(*), total(coalesce(总分,0)) FROM %1 WHERE 班='01'")
                                          .arg(table)).front();
        const auto english = s.db().query(QStringLiteral("SELECT total(coalesce(英语,0)) FROM %1 WHERE 班='02'")
                                              .arg(table)).front();
        EXPECT_EQ(s.db().scalar("SELECT 学生总数 FROM 教师表 WHERE 姓名='总分'").toInt(), sum[0].toInt() + 1) << scope;
        EXPECT_NEAR(s.db().scalar("SELECT 总分 FROM 教师表 WHERE 姓名='总分'").toDouble(),
                    sum[1].toDouble() + english[0].toDouble(), 1e-3) << scope;
        // 李四 (a0002x) is found last term as A0002X: three of the four are compared.
        EXPECT_TRUE(s.log().contains(QStringLiteral("  a0002x  "))) << scope;
        EXPECT_TRUE(s.log().contains(QStringLiteral("上期人数:3   "))) << scope;
    }
}

namespace {

// Installs how the run starts its tasks for one test.
struct TaskStartFor {
    explicit TaskStartFor(CalculationRun::TaskStart start) { CalculationRun::setTaskStart(std::move(start)); }
    ~TaskStartFor() { CalculationRun::setTaskStart({}); }
    TaskStartFor(const TaskStartFor&) = delete;
    TaskStartFor& operator=(const TaskStartFor&) = delete;
};

std::future<bool> noThreadToSpare(const std::function<bool()>&) {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
}

} // namespace

// With no thread to spare the run walks the previous term and puts its log
// in place itself, to the outcome a run with threads has.
TEST(CalculationRunThreads, WithNoThreadToSpareTheRunDoesItsTasksItself) {
    struct Outcome {
        End end;
        QString tables, log, figures;
    };
    auto runOnce = [](bool threads) {
        TeacherSchool s;
        s.teacher("两科", {{"2004级01班", "语文"}, {"2004级02班", "数学"}});
        s.previousTerm([](platform::db::Database& db) {
            db.execute("UPDATE 成绩表 SET 语文=70, 数学=50 WHERE STID='20040001'");
        });
        int starts = 0;
        TaskStartFor start(threads ? CalculationRun::TaskStart{} : [&starts](const std::function<bool()>& task) {
            ++starts;
            return noThreadToSpare(task);
        });
        s.host.answer(RunAnswer::Yes).answer(RunAnswer::Ok);
        const End end = s.run();
        EXPECT_EQ(starts, threads ? 0 : 2);   // the walk and the log
        EXPECT_EQ(s.host.unlocks, 1);
        const QString folder = s.school.folder();
        return Outcome{end, s.everything().replace(folder, "<folder>"), s.log().replace(folder, "<folder>"),
                       s.figures("两科")};
    };
    const Outcome threads = runOnce(true);
    ASSERT_EQ(threads.end, End::Completed);
    EXPECT_FALSE(threads.figures.contains(QStringLiteral("| - - - - |"))) << str(threads.figures);   // the walk passed
    const Outcome alone = runOnce(false);
    EXPECT_EQ(alone.end, threads.end);
    EXPECT_EQ(str(alone.figures), str(threads.figures));
    EXPECT_EQ(str(alone.tables), str(threads.tables));
    EXPECT_EQ(str(alone.log), str(threads.log));
}

// Any other way out of a run (here the log's task cannot even be made, after
// the stages deleted a student) leaves the panel unlocked, the file, the
// count of students and the old log as they were; the next run completes.
TEST(CalculationRunThreads, AnExceptionLeavingTheRunLeavesThePanelUsableAndNothingChanged) {
    TeacherSchool s;
    s.inputs.askZeroTotal = true;
    s.student("2004", "02", "零分", {0, 0, 0});
    s.previousTerm([](platform::db::Database&) {});
    s.oldLog();
    const QString before = s.everything();
    const float count = state().StudentCount;
    {
        int starts = 0;
        TaskStartFor start([&starts](const std::function<bool()>& task) {
            if (++starts == 2)
                throw std::bad_alloc();
            return std::async(std::launch::async, task);
        });
        s.host.answer(RunAnswer::Yes).answer(RunAnswer::Yes);   // the confirmation, the deletion
        EXPECT_THROW(s.run(), std::bad_alloc);
        EXPECT_EQ(starts, 2);
    }
    EXPECT_EQ(s.host.locks, 1);
    EXPECT_EQ(s.host.unlocks, 1);
    EXPECT_EQ(state().StudentCount, count);
    EXPECT_EQ(str(s.everything()), str(before));
    EXPECT_EQ(s.logBytes(), QByteArray("old log\r\n"));

    s.host.answer(RunAnswer::Yes).answer(RunAnswer::No).answer(RunAnswer::Ok);
    EXPECT_EQ(s.run(), End::Completed);
    EXPECT_EQ(s.host.unlocks, 2);
    EXPECT_EQ(str(s.marksOf("20040005")), "0 0 0 0 0");
}
