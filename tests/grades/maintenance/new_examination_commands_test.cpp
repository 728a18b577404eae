// 备分数据, 数据刷新 and 清空任课情况 on the real main window, with the login
// and the save dialog answered as a person would.
#include "common/program_state.h"
#include "common/today.h"
#include "grades/app/main_window.h"
#include "grades/frame/Form2.h"
#include "platform/db/datacontrol.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "support/dialog_double.h"
#include "support/login_script.h"
#include "support/other_program.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using platform::MsgResult;

namespace {

const QString kMustBackUp = QStringLiteral("你必须成功将本系统的数据备份以后才能将所有数据清零.");
const QString kClearQuestion = QStringLiteral("数据刷新会将所有的数据清零,以便开始新的考试,你确实要将所有数据清零吗?");

struct NewExamCommands : ::testing::Test {
    SchoolFixture school{{"语文", "数学"}, {"2004"}, {"2004级01班"}, QStringLiteral("pw")};
    std::unique_ptr<Form2> window = makeMainWindow();
    Form2& w = *window;
    DialogDouble dialogs;

    NewExamCommands() {
        w.ConnectDataControls();
        setTodayForTests(QDate(2005, 3, 7));
        auto db = school.db();
        db->insertRow("成绩表", {"STID", "年级", "班", "姓名", "考号", "总分", "语文", "数学"},
                      {"20040001", "2004", "01", QStringLiteral("张三"), "20040100101", 170, 90, 80});
        db->insertRow("教师表", {"姓名", "考绩分", "任课班级1", "科目1"},
                      {QStringLiteral("王老师"), 88, "2004级01班", "语文"});
        db->execute("UPDATE 班级表 SET 语文 = '王老师'");
    }
    ~NewExamCommands() override { setTodayForTests({}); }

    void run(const char* item) { w.menuItem(QString::fromLatin1(item))->trigger(); }
    QVariant value(const char* sql) { return school.db()->scalar(QString::fromUtf8(sql)); }
    QString backupPath() const { return school.folder() + QStringLiteral("/学生成绩库05-3-7.mdb"); }
    void refreshAnswered() {
        scriptLogin(dialogs, QStringLiteral("pw"));
        dialogs.answerMessage(MsgResult::Yes, kClearQuestion);
    }
};

TEST_F(NewExamCommands, BackupOffersTheDatedNameAndMakesACopy) {
    dialogs.chooseFile(backupPath());
    run("outsj1");
    const auto& asked = dialogs.shown().back();
    EXPECT_EQ(asked.kind, "save");
    EXPECT_EQ(asked.file.fileName, QStringLiteral("学生成绩库05-3-7.mdb"));
    EXPECT_EQ(asked.file.title, QStringLiteral("将数据文件保存为"));
    EXPECT_EQ(asked.file.filter, QStringLiteral("Access数据库(*.mdb)|*.mdb|所有文件(*.*)|*.*"));
    EXPECT_TRUE(asked.file.confirmOverwrite);
    EXPECT_TRUE(dialogs.messages().isEmpty());   // success is silent
    EXPECT_TRUE(w.BackupDone);
    EXPECT_TRUE(QFile::exists(backupPath()));
}

TEST_F(NewExamCommands, ABackupOntoTheDatabaseItselfIsRefused) {
    dialogs.chooseFile(school.databasePath());
    dialogs.answerMessage();
    run("outsj1");
    EXPECT_TRUE(dialogs.lastMessage().contains(QStringLiteral("正在使用的数据库文件本身")));
    EXPECT_EQ(dialogs.lastTitle(), platform::kErrorTitle);
    EXPECT_FALSE(w.BackupDone);
    EXPECT_EQ(value("SELECT COUNT(*) FROM 成绩表").toInt(), 1);
}

TEST_F(NewExamCommands, TheFirstRefreshWithoutABackupClearsNothing) {
    refreshAnswered();
    dialogs.cancelDialog();
    dialogs.answerMessage(MsgResult::Ok, kMustBackUp);
    run("ResetZero");
    EXPECT_EQ(value("SELECT 语文 FROM 成绩表").toDouble(), 90);

    // A normal user at the login: nothing is asked or changed.
    scriptLogin(dialogs, QStringLiteral("wrong"));
    run("ResetZero");
    EXPECT_EQ(value("SELECT 总分 FROM 成绩表").toDouble(), 170);
}

TEST_F(NewExamCommands, AnEarlierBackupLetsTheRefreshClearAndAPendingEditDoesNotComeBack) {
    dialogs.chooseFile(backupPath());
    run("outsj1");

    // A mark typed in the window and not yet stored.
    auto& general = w.anyDataControl(QStringLiteral("Adodc1"));
    general.setRecordSource(QStringLiteral("成绩表"));
    general.refresh();
    general.recordset()->setValue(QStringLiteral("数学"), 55);

    refreshAnswered();
    dialogs.cancelDialog();
    run("ResetZero");
    EXPECT_TRUE(value("SELECT 数学 FROM 成绩表").isNull());
    EXPECT_TRUE(value("SELECT 总分 FROM 成绩表").isNull());
    EXPECT_EQ(value("SELECT 考号 FROM 成绩表").toString(), QStringLiteral("20040100101"));
    EXPECT_TRUE(value("SELECT 考绩分 FROM 教师表").isNull());
    EXPECT_EQ(value("SELECT 任课班级1 FROM 教师表").toString(), QStringLiteral("2004级01班"));
    // The window shows what the file holds, and leaving the row stores nothing old.
    EXPECT_TRUE(general.recordset()->value(QStringLiteral("数学")).isNull());
    general.recordset()->moveLast();
    EXPECT_TRUE(value("SELECT 数学 FROM 成绩表").isNull());
    // The backup holds the marks as they were.
    auto copy = platform::db::Database::open(backupPath(), QStringLiteral("pw"));
    EXPECT_EQ(copy->scalar(QStringLiteral("SELECT 语文 FROM 成绩表")).toDouble(), 90);
}

// Another program holds the file: nothing is cleared, and the window's list
// stays on the student it showed.
TEST_F(NewExamCommands, ARefreshRefusedByABusyFileLeavesTheListOnItsStudent) {
    school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "语文"},
                           {"20040002", "2004", "01", QStringLiteral("李四"), 70});
    dialogs.chooseFile(backupPath());
    run("outsj1");
    auto& general = w.dataControl(QStringLiteral("Adodc1"));
    general.setRecordSource(QStringLiteral("成绩表"));
    general.refresh();
    ASSERT_TRUE(general.recordset()->findValue(QStringLiteral("STID"), "20040002", 0, true));

    testsupport::OtherProgram::waitAtMost(*school.db(), 50);
    testsupport::OtherProgram other(school.databasePath());
    other.run("BEGIN IMMEDIATE");
    refreshAnswered();
    dialogs.cancelDialog();
    dialogs.answerMessage(MsgResult::Ok, QStringLiteral("操作没有完成，数据没有改变。\n数据库正被别的程序使用,请稍后再试."));
    run("ResetZero");
    other.run("ROLLBACK");
    EXPECT_EQ(general.recordset()->value(QStringLiteral("STID")).toString(), QStringLiteral("20040002"));
    EXPECT_EQ(value("SELECT 语文 FROM 成绩表 WHERE STID = '20040002'").toDouble(), 70);
}

TEST_F(NewExamCommands, ClearingAssignmentsOpensTheTeacherPanel) {
    w.Command1_Click();
    scriptLogin(dialogs, QStringLiteral("wrong"));
    run("RestRK");
    EXPECT_EQ(w.visiblePanel(), 1);   // a normal user: nothing finished, nothing changed
    EXPECT_EQ(value("SELECT 语文 FROM 班级表").toString(), QStringLiteral("王老师"));

    scriptLogin(dialogs, QStringLiteral("pw"));
    run("RestRK");
    EXPECT_EQ(w.visiblePanel(), 2);
    EXPECT_TRUE(value("SELECT 语文 FROM 班级表").isNull());
    EXPECT_TRUE(value("SELECT 任课班级1 FROM 教师表").isNull());
    EXPECT_EQ(value("SELECT 考绩分 FROM 教师表").toDouble(), 88);
}

} // namespace
