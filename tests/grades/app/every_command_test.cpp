// Every command of the grade program once, each in a session of its own that
// starts as the program starts (grades/main.cpp: each panel built when first
// needed) and goes straight to it after the login, every dialog answered as a
// person would answer it. No command may end in a fault of the program or in
// a box whose text is not one of the system's own messages.
#include "common/program_state.h"
#include "grades/app/main_window.h"
#include "grades/frame/Form2.h"
#include "support/command_session.h"
#include "support/dialog_double.h"
#include "support/login_script.h"
#include "support/mark_school.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using testsupport::str;

// A small school with marks, rooms and teachers: enough for every command to
// do its real work, the calculation included, in a moment.
struct Session {
    SchoolFixture school{{"语文", "数学"}, {"2004", "2005"}, {"2004级01班", "2005级01班"}};
    QTemporaryDir out;
    DialogDouble dialogs;
    std::unique_ptr<Form2> window;
    size_t checked = 0;

    Session() {
        seedMarkSchool(*school.db());
        school.db()->insertRow("教师表", {"姓名", "任课班级1", "科目1"}, {"王老师", "2004级01班", "数学"});
        scriptLogin(dialogs, state().DatabasePassword);
        dialogs.answerEveryDialog(out.path());
        window = makeMainWindow(PanelBuild::WhenFirstNeeded);
        EXPECT_TRUE(window->startUp(nullptr));
        QCoreApplication::processEvents();
        checked = dialogs.shown().size();
    }
    ~Session() { closeOtherWindows(); }

    void closeOtherWindows() { closeWindowsBeside(window.get()); }
    void checkBoxes() { checked = expectOwnMessages(dialogs, checked, {out.path(), school.folder(), QDir::tempPath()}); }
};

// As a person's choice arrives: an event the application delivers, so that
// whatever the command throws meets the application's handling of it.
void choose(QAction* item) {
    QMetaObject::invokeMethod(item, &QAction::trigger, Qt::QueuedConnection);
    QCoreApplication::processEvents();
}

void press(QPushButton* button) {
    QMetaObject::invokeMethod(button, &QPushButton::click, Qt::QueuedConnection);
    QCoreApplication::processEvents();
}

// The items of one menu of the bar, as the window that the program builds has them.
QStringList menuCommands(const QString& menuName) {
    QStringList names;
    const auto window = makeMainWindow(PanelBuild::WhenFirstNeeded);
    for (QAction* top : window->menuBar()->actions())
        if (QMenu* menu = top->menu(); menu && top->objectName() == menuName)
            for (QAction* item : menu->actions())
                if (!item->isSeparator() && !item->menu() && !item->objectName().isEmpty())
                    names << item->objectName();
    return names;
}

class EachMenu : public testing::TestWithParam<const char*> {};

} // namespace

// Each menu item straight after the login, the panels it needs not built yet.
TEST_P(EachMenu, EveryItemInAFreshSession) {
    const QStringList commands = menuCommands(QString::fromLatin1(GetParam()));
    ASSERT_FALSE(commands.isEmpty());
    for (const QString& name : commands) {
        SCOPED_TRACE(str(name));
        Session s;
        QAction* item = s.window->menuItem(name);
        ASSERT_TRUE(item);
        // An item hidden or disabled for this user is not there to choose.
        if (!item->isVisible() || !item->isEnabled())
            continue;
        choose(item);
        s.checkBoxes();
        s.closeOtherWindows();
        s.checkBoxes();
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, EachMenu,
                         testing::Values("MenuFile", "MenuEDIT", "MeuLook", "menuSJ", "MenuTs", "Help"));

// 生成网页 as the first command of a session writes the index and every page.
TEST(EveryCommand, WebPagesAsTheFirstCommandWriteEveryPage) {
    Session s;
    choose(s.window->menuItem(QStringLiteral("MakeHTM")));
    s.checkBoxes();
    QDirIterator found(s.out.path(), {QStringLiteral("Index.htm")}, QDir::Files, QDirIterator::Subdirectories);
    ASSERT_TRUE(found.hasNext());
    const QDir pages = QFileInfo(found.next()).dir();
    EXPECT_EQ(pages.entryList(QDir::Files, QDir::Name),
              (QStringList{"2004.htm", "200401.htm", "2005.htm", "200501.htm", "Index.htm"}));
}

// Each panel opened by its button, then each of its buttons a person can
// press, in the order they sit in; a panel that closed is opened again.
TEST(EveryCommand, EachPanelButtonInAFreshSession) {
    for (int panel = 1; panel <= 8; ++panel) {
        SCOPED_TRACE(testing::Message() << "panel " << panel);
        Session s;
        auto* open = s.window->control<QPushButton>(QStringLiteral("Command%1").arg(panel));
        ASSERT_TRUE(open);
        press(open);
        s.checkBoxes();
        QWidget* frame = s.window->control(QStringLiteral("Frame1_%1").arg(panel));
        ASSERT_TRUE(frame);
        const QList<QPushButton*> buttons = frame->findChildren<QPushButton*>();
        EXPECT_FALSE(buttons.isEmpty());
        for (QPushButton* button : buttons) {
            SCOPED_TRACE(str(button->objectName()));
            if (s.window->visiblePanel() != panel && open->isEnabled())
                press(open);
            if (!button->isVisibleTo(s.window.get()) || !button->isEnabled() || s.window->visiblePanel() != panel)
                continue;
            press(button);
            s.checkBoxes();
            s.closeOtherWindows();
            s.checkBoxes();
        }
    }
}
