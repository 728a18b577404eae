// The whole build on a small school database: what it writes, what it keeps,
// the settings rows and the program state, its messages, and that a refused or
// failed build changes nothing.
#include "grades/examno/core/exam_number_builder.h"

#include "common/program_state.h"
#include "common/settings_rows.h"
#include "platform/db/recordset.h"
#include "platform/text/message_titles.h"
#include "support/school_fixture.h"
#include "support/scripted_random.h"

#include <gtest/gtest.h>

using namespace examno;

namespace {

struct BuildTest : ::testing::Test {
    SchoolFixture school{{"语文", "数学"}, {"2004", "2005"}, {"2004级01班", "2004级02班", "2005级01班"}};
    platform::db::Database& db = *school.db();
    platform::db::Recordset statusRows{school.db(), "状态表"};
    SettingsRows settings{statusRows};
    QStringList progress;
    QStringList messages;   // "title: text" of every message, in order

    // Students numbered 01.. in stored order, each with a stale total: student 7 of
    // 2004级02班 is "2" + "07" with the id "20042007".
    void seed(const QString& grade, const QString& cls, int count) {
        platform::db::Transaction t(db);
        for (int i = 1; i <= count; ++i) {
            const QString n = QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
            const QString id = grade + cls.right(1) + QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0'));
            db.insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号", "考号", "总分"},
                         {id, grade, cls, i < 100 ? cls.right(1) + n : n, n, n, 250.5});
        }
        t.commit();
    }

    BuildResult build(BuildChoices c, RandomSource& random) {
        BuildUi ui;
        ui.message = [this](const QString& text, const QString& title) { messages << title + ": " + text; };
        ui.progress = [this](const QString& t) { progress << t; };
        return buildExamNumbers(db, settings, c, random, ui);
    }
    static BuildChoices whole(CrossingMethod m, const QString& size, Composition parts = {}) {
        BuildChoices c;
        c.method = m;
        c.roomSizeText = size;
        c.parts = parts;
        return c;
    }
    static BuildChoices partOf(const QString& target, const QString& start, CrossingMethod m, const QString& size) {
        BuildChoices c = whole(m, size);
        c.partial = true;
        c.target = target;
        c.startRoomAnswer = start;
        return c;
    }

    // 考号 考室 座位 of a student by STID.
    QString seatOf(const QString& stid) {
        const auto rows = db.query("select 考号, 考室, 座位 from 成绩表 where STID = ?", {stid});
        return rows.empty() ? QString() : rows[0][0].toString() + " " + rows[0][1].toString() + " " + rows[0][2].toString();
    }
    int totalsLeft() { return db.scalar("select count(*) from 成绩表 where 总分 is not null").toInt(); }
    // Every row of every table, to see that nothing changed.
    QString dump() {
        QString out;
        for (const QString& t : db.tableNames())
            for (const auto& row : db.query("select * from [" + t + "] order by rowid")) {
                QStringList cells;
                for (const QVariant& v : row)
                    cells << (v.isNull() ? "<null>" : v.toString());
                out += t + ": " + cells.join("|") + "\n";
            }
        return out;
    }
};

} // namespace

TEST_F(BuildTest, WholeSchoolIsNumberedTotalsClearedAndTheSettingsStored) {
    seed("2004", "01", 35);
    seed("2004", "02", 20);
    seed("2005", "01", 10);
    ScriptedRandom none;
    ASSERT_EQ(build(whole(CrossingMethod::InClassOrder, "30", {true, true, true, true, false}), none),
              BuildResult::Completed);
    EXPECT_EQ(messages, QStringList({"完成: 考号编写完成!"}));

    EXPECT_EQ(seatOf("20041001"), "20040100101 001 01");
    EXPECT_EQ(seatOf("20041035"), "20040100205 002 05");
    EXPECT_EQ(seatOf("20042001"), "20040200206 002 06");
    EXPECT_EQ(seatOf("20042020"), "20040200225 002 25");
    EXPECT_EQ(seatOf("20051010"), "20050100310 003 10");
    EXPECT_EQ(totalsLeft(), 0);

    EXPECT_EQ(settings.value(Setting::ExamRoomCount), "3");
    EXPECT_EQ(settings.value(Setting::ExamNumberCrossing), "1");
    EXPECT_EQ(settings.value(Setting::ExamNumberParts), "111");
    EXPECT_EQ(settings.value(Setting::ExamNumberLength), "11");
    EXPECT_EQ(state().ExamRoomCount, 3);
    EXPECT_EQ(state().ExamNumberLength, 11);
    EXPECT_EQ(state().ClassCount, 3);

    EXPECT_EQ(progress.first(), "请稍侯,正在编写考号...");
    EXPECT_TRUE(progress.contains("请稍侯,正在编写考号...2004级02班"));
    EXPECT_TRUE(progress.contains("正在编写2004级02班220"));
    EXPECT_EQ(progress[progress.size() - 2], "正在完成后继工作...");
    EXPECT_EQ(progress.last(), "");
}

TEST_F(BuildTest, PartialBuildRenumbersOnlyItsTargetAndRaisesRoomCountOnlyWhenLarger) {
    seed("2004", "01", 30);
    seed("2004", "02", 25);
    seed("2005", "01", 5);
    {
        ScriptedRandom none;
        ASSERT_EQ(build(whole(CrossingMethod::InClassOrder, "30"), none), BuildResult::Completed);
    }
    EXPECT_EQ(settings.value(Setting::ExamRoomCount), "3");
    db.execute("update 成绩表 set 总分 = 1");
    const QString other = seatOf("20041001");

    {
        ScriptedRandom random(std::vector<double>(25, 0.5));
        ASSERT_EQ(build(partOf("2004级02班", "12", CrossingMethod::ClassCrossed, "30"), random),
                  BuildResult::Completed);
    }
    EXPECT_EQ(seatOf("20042001"), "01201 012 01");
    EXPECT_EQ(seatOf("20042025"), "01225 012 25");
    EXPECT_EQ(seatOf("20041001"), other);
    EXPECT_EQ(seatOf("20051001"), "00301 003 01");
    EXPECT_EQ(totalsLeft(), 0);   // also outside the target
    EXPECT_EQ(settings.value(Setting::ExamRoomCount), "12");
    EXPECT_EQ(settings.value(Setting::ExamNumberCrossing), "2");
    EXPECT_EQ(state().ExamRoomCount, 12);

    // A lower room keeps row 7; the program state follows the row.
    {
        ScriptedRandom none;
        ASSERT_EQ(build(partOf("2005级", "", CrossingMethod::InClassOrder, "保持各班现有人数"), none),
                  BuildResult::Completed);
    }
    EXPECT_EQ(messages, QStringList({"完成: 考号编写完成!", "完成: 考号编写完成!", "完成: 考号编写完成!"}));
    EXPECT_EQ(seatOf("20051005"), "00105 001 05");
    EXPECT_EQ(settings.value(Setting::ExamRoomCount), "12");
    EXPECT_EQ(state().ExamRoomCount, 12);
}

TEST_F(BuildTest, EmptyClassesAndGradesAreToldThenDeletedTeachersKeepTheirSlots) {
    seed("2004", "01", 3);
    db.insertRow("教师表", {"姓名", "任课班级1", "科目1"}, {"王老师", "2005级01班", "语文"});
    ScriptedRandom none;
    ASSERT_EQ(build(whole(CrossingMethod::InClassOrder, "30"), none), BuildResult::Completed);
    EXPECT_EQ(messages, QStringList({" 提示: 2004级02班 的学生总数为零,系统会自动将它删除",
                                     " 提示: 2005级01班 的学生总数为零,系统会自动将它删除",
                                     " 提示: 2005级一个班也没有,系统会自动将这个年级删除",
                                     "完成: 考号编写完成!"}));
    EXPECT_EQ(db.scalar("select count(*) from 班级表").toInt(), 1);
    EXPECT_EQ(db.scalar("select 年级 from 年级表").toString(), "2004");
    EXPECT_EQ(db.scalar("select 任课班级1 from 教师表").toString(), "2005级01班");
    EXPECT_EQ(state().ClassCount, 1);
}

TEST_F(BuildTest, RefusedBuildsChangeNothing) {
    seed("2004", "01", 3);
    seed("2005", "01", 100);
    // An empty class the purge would remove: a refusal must come before it.
    db.insertRow("班级表", {"年级", "班"}, {"2004", "03"});
    struct Case {
        const char* what;
        BuildChoices choices;
        QString message;
        QString title;
        QString row8 = "否";
    } cases[] = {
        {"printed", partOf("2004级01班", "5", CrossingMethod::InClassOrder, "30"),
         "您的考号好象已经打印过了,不能再次编写,否则您以前打印的考号将全部作废,如果您确实要重新编写,"
         "请单击菜单中的'特殊',然后再单击'重新编写考号'",
         "重要提示", "是"},
        {"room size 100", whole(CrossingMethod::InClassOrder, "100"), "每一考室中最多只能坐99人", "人数太多"},
        {"start room 1000", partOf("2004级01班", "1000", CrossingMethod::InClassOrder, "30"),
         "考室的号码只能从1到999,请重新输入开始的考室号码!", "提示"},
        {"start room -2", partOf("2004级01班", "-2", CrossingMethod::InClassOrder, "30"),
         "考室的号码只能从1到999,请重新输入开始的考室号码!", "提示"},
        {"unknown grade", partOf("2009级", "1", CrossingMethod::InClassOrder, "30"),
         "对不起，没有找到“2009级”，请选择本校的一个年级或者一个班！", "提示"},
        {"empty class as target", partOf("2004级03班", "1", CrossingMethod::InClassOrder, "30"),
         "对不起，没有找到“2004级03班”，请选择本校的一个年级或者一个班！", "提示"},
        {"class crossed by grade", partOf("2004级01班", "1", CrossingMethod::GradeCrossed, "30"),
         "对不起，对于只有一个班的情况下，你不能使用“全年级交叉”！", "提示"},
        {"class of 100 crossed by grade", whole(CrossingMethod::GradeCrossed, "30"),
         "2005级01班的学生总数超过100人,你不能使用这种方法编写考号!", "提示"},
        {"seat 100 with kept sizes", whole(CrossingMethod::ClassCrossed, "保持各班现有人数"),
         "2005级01班的学生总数超过100人,你不能使用这种方法编写考号!", "提示"},
        {"room 1000", partOf("2005级", "998", CrossingMethod::InClassOrder, "30"),
         "考室的号码不能超过999,请从较小的考室号码开始编写,或者让每一考室多坐一些人!", "提示"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        settings.store(Setting::ExamCardsPrinted, c.row8);
        const QString before = dump();
        state().ExamRoomCount = 7;
        messages.clear();
        ScriptedRandom none;
        EXPECT_EQ(build(c.choices, none), BuildResult::Refused);
        EXPECT_EQ(messages, QStringList({c.title + ": " + c.message}));
        EXPECT_TRUE(progress.isEmpty());
        EXPECT_EQ(dump(), before);
        EXPECT_EQ(state().ExamRoomCount, 7);
    }
}

TEST_F(BuildTest, FailedWriteRollsBackEverythingAndKeepsTheSettings) {
    seed("2004", "01", 3);
    seed("2005", "01", 2);
    settings.store(Setting::ExamRoomCount, "4");
    // The last student's row cannot be written, as when the other program holds it.
    db.execute("create trigger held before update of 考号 on 成绩表 when old.STID = '20051002' "
               "begin select raise(abort, 'row held'); end");
    const QString before = dump();
    ScriptedRandom none;
    EXPECT_EQ(build(whole(CrossingMethod::InClassOrder, "30"), none), BuildResult::Failed);
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[0], " 提示: 2004级02班 的学生总数为零,系统会自动将它删除");
    EXPECT_TRUE(messages[1].startsWith(platform::kErrorTitle + ": 编写考号时数据库出错")) << messages[1].toStdString();
    EXPECT_EQ(dump(), before);
    EXPECT_EQ(settings.value(Setting::ExamRoomCount), "4");
    EXPECT_FALSE(db.inTransaction());
}

TEST_F(BuildTest, GradeCrossedWithoutGradeLevelsStopsSilentlyAfterThePurge) {
    seed("2004", "01", 2);
    db.execute("delete from 年级表");
    ScriptedRandom none;
    EXPECT_EQ(build(whole(CrossingMethod::GradeCrossed, "30"), none), BuildResult::Stopped);
    EXPECT_EQ(messages, QStringList({" 提示: 2004级02班 的学生总数为零,系统会自动将它删除",
                                     " 提示: 2005级01班 的学生总数为零,系统会自动将它删除"}));
    EXPECT_EQ(db.scalar("select count(*) from 班级表").toInt(), 1);
    EXPECT_EQ(seatOf("20041001"), "01  ");
    EXPECT_EQ(totalsLeft(), 2);
    EXPECT_EQ(settings.value(Setting::ExamNumberCrossing), "3");
    EXPECT_EQ(settings.value(Setting::ExamNumberParts), "001");
}
