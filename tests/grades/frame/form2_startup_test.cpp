// The main window's start-up on a small school database, and its failure paths.

#include "common/program_state.h"
#include "common/settings_files.h"
#include "grades/app/main_window.h"
#include "grades/frame/Form2.h"
#include "grades/frame/core/form2_startup.h"
#include "support/dialog_double.h"
#include "support/peak_memory.h"
#include "support/school_fixture.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <gtest/gtest.h>
#include <new>
#include <variant>

#if __has_include("grades/frame/frmLogin.h")
#define HAVE_LOGIN 1
#endif

namespace {

// Answers the login window: administrator or normal user.
void scriptLogin(DialogDouble& d, bool administrator) {
#ifdef HAVE_LOGIN
    d.runModalWith([administrator](QDialog&) {
        state().IsAdministrator = administrator ? -1 : 0;
        return 1;
    });
#else
    (void)d;
    state().IsAdministrator = administrator ? -1 : 0;
#endif
}

int settingsRows(SchoolFixture& s) { return s.db()->scalar("select count(*) from 状态表").toInt(); }

} // namespace

TEST(Form2StartUp, OpensOnTheHomePanelWithTheSchoolAndItsCounts) {
    SchoolFixture school({"语文", "数学"}, {"2004", "2005"}, {"2004级01班", "2005级01班", "2005级02班"});
    school.db()->execute("update 状态表 set 状态='11' where rowid=(select rowid from 状态表 limit 1 offset 36)");
    school.db()->insertRow("教师表", {"姓名"}, {"甲"});
    school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名"}, {"20040001", "2004", "01", "王五"});
    resetState();   // the start-up fills it from the files and the tables

    DialogDouble d;
    scriptLogin(d, true);
    QWidget startWindow;
    startWindow.show();
    std::unique_ptr<Form2> wWindow = makeMainWindow();
    Form2& w = *wWindow;
    ASSERT_TRUE(w.startUp(&startWindow));
    EXPECT_FALSE(startWindow.isVisible());

    EXPECT_EQ(w.windowTitle(), "测试中学Orbisca");
    EXPECT_EQ(w.control<QLabel>("Label1")->text(), "欢迎你进入");
    EXPECT_EQ(w.control<QLabel>("Label2")->text(), "    测试中学 Orbisca");
    EXPECT_EQ(w.visiblePanel(), 0);
    EXPECT_TRUE(w.menuItem("menucolor")->isChecked());
    EXPECT_TRUE(w.isMaximized());
    for (int i = 1; i <= 8; ++i)
        EXPECT_TRUE(w.control(QStringLiteral("Command%1").arg(i))->isEnabled());
    for (const char* m : {"MenuFile", "MenuEDIT", "MeuLook", "menuSJ", "MenuTs", "Help"})
        EXPECT_TRUE(w.menuItem(m)->isEnabled()) << m;

    const ProgramState& s = state();
    EXPECT_EQ(s.DatabasePath, school.databasePath());
    EXPECT_EQ(s.DatabaseFolder, school.folder());
    EXPECT_EQ(s.SchoolName, "测试中学");
    EXPECT_EQ(s.ExamNumberLength, 11);
    EXPECT_EQ(s.GradeCount, 2);
    EXPECT_EQ(s.ClassCount, 3);
    EXPECT_EQ(s.SubjectCount, 2);
    EXPECT_EQ(s.StudentCount, 1.0f);
    EXPECT_EQ(s.TeacherCount, 1.0f);
    EXPECT_TRUE(d.messages().isEmpty());
    EXPECT_EQ(w.anyDataControl("Adodc1").recordSource(), "成绩表");
    EXPECT_EQ(w.settingsValue(35), "0");
}

TEST(Form2StartUp, TheLoginComesWithTheWindowShownAndEverythingStillLocked) {
    SchoolFixture school;
    DialogDouble d;
    bool asked = false;
    Form2* window = nullptr;
    d.runModalWith([&](QDialog& login) {
        asked = true;
        Form2& w = *window;
        EXPECT_EQ(login.parentWidget(), &w);
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(w.isMaximized());
        EXPECT_EQ(w.visiblePanel(), 0);
        EXPECT_FALSE(w.isConnected());
        for (int i = 1; i <= 8; ++i)
            EXPECT_FALSE(w.control(QStringLiteral("Command%1").arg(i))->isEnabled()) << i;
        for (const char* m : {"MenuFile", "MenuEDIT", "MeuLook", "menuSJ", "MenuTs", "Help"})
            EXPECT_FALSE(w.menuItem(m)->isEnabled()) << m;
        state().IsAdministrator = -1;
        return 1;
    });
    std::unique_ptr<Form2> wWindow = makeMainWindow();
    Form2& w = *wWindow;
    window = &w;
    ASSERT_TRUE(w.startUp(nullptr));
    EXPECT_TRUE(asked);
    EXPECT_TRUE(w.isConnected());
}

TEST(Form2StartUp, ThePanelsShowNoBorder) {
    SchoolFixture school;
    DialogDouble d;
    scriptLogin(d, true);
    std::unique_ptr<Form2> wWindow = makeMainWindow();
    Form2& w = *wWindow;
    ASSERT_TRUE(w.startUp(nullptr));
    // The home panel's edges are its pink background, nothing drawn on them.
    QWidget* home = w.control("Frame1_0");
    const QImage image = home->grab().toImage();
    const QRgb pink = qRgb(255, 192, 192);
    for (int y = 0; y < image.height(); y += 7)
        for (int x : {0, 1, 2, image.width() - 3, image.width() - 2, image.width() - 1})
            ASSERT_EQ(image.pixel(x, y), pink) << x << "," << y;
    for (int x = 0; x < image.width(); x += 7)
        for (int y : {0, 1, 2, image.height() - 1})
            ASSERT_EQ(image.pixel(x, y), pink) << x << "," << y;
}

TEST(Form2StartUp, AMissingDatabaseEndsTheRunAndForgetsSystemTxt) {
    struct Case { const char* what; std::function<void(SchoolFixture&)> spoil; };
    const Case cases[] = {
        {"database file deleted", [](SchoolFixture& s) { QFile::remove(s.databasePath()); }},
        {"system.txt empty", [](SchoolFixture&) { WriteDatabaseLocator("   "); }},
        {"system.txt missing", [](SchoolFixture&) { QFile::remove(locatorFilePath()); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SchoolFixture school;
        c.spoil(school);
        DialogDouble d;
        d.answerMessage(platform::MsgResult::Ok, "没有找到指定的数据库，请重新起动本程序！");
        std::unique_ptr<Form2> wWindow = makeMainWindow();
        Form2& w = *wWindow;
        EXPECT_FALSE(w.startUp(nullptr));
        EXPECT_EQ(d.lastTitle(), "小错误...");
        EXPECT_FALSE(QFile::exists(locatorFilePath()));
        EXPECT_TRUE(state().DatabasePath.isEmpty());
        EXPECT_FALSE(w.isVisible());
    }
}

TEST(Form2StartUp, AMissingScroDatEndsTheRunWritingNothing) {
    SchoolFixture school;
    QFile::remove(settingsFilePath(school.folder()));
    DialogDouble d;
    d.answerMessage(platform::MsgResult::Ok, "没有找到文件scro.dat");
    std::unique_ptr<Form2> wWindow = makeMainWindow();
    Form2& w = *wWindow;
    EXPECT_FALSE(w.startUp(nullptr));
    EXPECT_EQ(d.lastTitle(), "小错误...");
    EXPECT_TRUE(QFile::exists(locatorFilePath()));   // the database is there; only scro.dat is not
}

// Only the record's own refusals say that scro.dat is damaged: memory running
// out while it is read is no damage of the file, and goes on to the program's
// failure path, which tells it as the system's message.
TEST(Form2StartUp, OnlyTheRecordsOwnRefusalCallsScroDatDamaged) {
    SchoolFixture school;
    const QString record = settingsFilePath(school.folder());
    ASSERT_TRUE(QFile::resize(record, 100));
    const auto damaged = form2::readStartupFiles();
    ASSERT_TRUE(std::holds_alternative<form2::StartupFailure>(damaged));
    EXPECT_EQ(std::get<form2::StartupFailure>(damaged).text, "文件scro.dat已损坏，请重新起动本程序！");
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the sanitizers' allocator maps beyond any limit of the address space";
#else
    // A record larger than the memory left (sparse: it takes no disk).
    ASSERT_TRUE(QFile::resize(record, qint64(1) << 30));
    testsupport::MemoryLimit limit(qint64(256) << 20);
    EXPECT_THROW(form2::readStartupFiles(), std::bad_alloc);
#endif
}

TEST(Form2StartUp, AWrongPasswordEndsTheRunWritingNothing) {
    SchoolFixture school({"语文"}, {"2004"}, {"2004级01班"}, "abc");
    // A table from before row 37: the start-up would add it if it got that far.
    school.db()->execute("delete from 状态表 where rowid=(select max(rowid) from 状态表)");
    ASSERT_TRUE(StoreAdministratorPassword(school.folder(), "xyz"));
    DialogDouble d;
    scriptLogin(d, false);
    d.answerMessage();
    std::unique_ptr<Form2> wWindow = makeMainWindow();
    Form2& w = *wWindow;
    EXPECT_FALSE(w.startUp(nullptr));
    EXPECT_TRUE(d.lastMessage().startsWith("无法打开数据库")) << d.lastMessage().toStdString();
    EXPECT_EQ(d.lastTitle(), "小错误...");
    EXPECT_EQ(settingsRows(school), 36);
    EXPECT_TRUE(QFile::exists(locatorFilePath()));
}

TEST(Form2StartUp, RowThirtySevenIsAddedOnlyRightAfterRowThirtySix) {
    struct Case { int rowsBefore, rowsAfter; };
    for (const Case c : {Case{36, 37}, Case{35, 35}}) {
        SCOPED_TRACE(c.rowsBefore);
        SchoolFixture school;
        school.db()->execute("delete from 状态表 where rowid in (select rowid from 状态表 order by rowid desc limit ?)",
                             {37 - c.rowsBefore});
        DialogDouble d;
        scriptLogin(d, true);
        std::unique_ptr<Form2> wWindow = makeMainWindow();
        Form2& w = *wWindow;
        ASSERT_TRUE(w.startUp(nullptr));
        EXPECT_EQ(settingsRows(school), c.rowsAfter);
        EXPECT_EQ(state().ExamNumberLength, 0);
        if (c.rowsAfter == 37) {
            EXPECT_EQ(w.settingsValue(37), "0");
        }
    }
}

TEST(Form2StartUp, WarnsOnceAboutIncompleteStudentRows) {
    SchoolFixture school;
    for (const char* id : {"20040001", "20040002"})
        school.db()->insertRow("成绩表", {"STID", "年级", "班"}, {id, "2004", "01"});
    DialogDouble d;
    scriptLogin(d, true);
    d.answerMessage(platform::MsgResult::Ok,
                    "您的数据库可能有姓名或者班级或者STID为空的记录,请运行菜单中的 '数据/检查数据的完整性' 进行检查!");
    std::unique_ptr<Form2> wWindow = makeMainWindow();
    Form2& w = *wWindow;
    ASSERT_TRUE(w.startUp(nullptr));
    EXPECT_EQ(d.messages().size(), 1);
    EXPECT_EQ(d.lastTitle(), platform::programTitle());
    EXPECT_EQ(state().StudentCount, 2.0f);
    EXPECT_EQ(state().SubjectCount, 3);
}

#if __has_include("grades/frame/lock_level.h")
TEST(Form2StartUp, TheLockLevelIsAppliedToANormalUserOnly) {
    struct Case { const char* level; bool admin; const char* enabled; };
    // Enabled panel buttons (by number) and menus after the start-up.
    const Case cases[] = {
        {"0", false, "Help"},
        {"1", false, "67 MeuLook Help"},
        {"2", false, "678 MenuFile MeuLook Help"},
        {"3", false, "12345678 MenuFile MenuEDIT MeuLook menuSJ MenuTs Help"},
        {"0", true, "12345678 MenuFile MenuEDIT MeuLook menuSJ MenuTs Help"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.level << (c.admin ? " admin" : " user"));
        SchoolFixture school;
        school.db()->execute("update 状态表 set 状态=? where rowid=(select rowid from 状态表 limit 1 offset 34)",
                             {QString::fromUtf8(c.level)});
        DialogDouble d;
        scriptLogin(d, c.admin);
        std::unique_ptr<Form2> wWindow = makeMainWindow();
        Form2& w = *wWindow;
        ASSERT_TRUE(w.startUp(nullptr));
        QStringList enabled;
        QString buttons;
        for (int i = 1; i <= 8; ++i)
            if (w.control(QStringLiteral("Command%1").arg(i))->isEnabled())
                buttons += QString::number(i);
        if (!buttons.isEmpty())
            enabled << buttons;
        for (const char* m : {"MenuFile", "MenuEDIT", "MeuLook", "menuSJ", "MenuTs", "Help"})
            if (w.menuItem(m)->isEnabled())
                enabled << m;
        EXPECT_EQ(enabled.join(' '), QString::fromUtf8(c.enabled));
    }
}
#endif
