// Every command of the records program once, each in a session of its own
// that starts as records/main.cpp starts the program and goes straight to it,
// every dialog answered as a person would answer it. No command may end in a
// fault of the program or in a box whose text is not one of the system's own
// messages.
#include "records/XJmain.h"
#include "records/core/Tavisk.h"
#include "support/command_session.h"
#include "support/dialog_double.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPointer>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

using testsupport::str;

struct Session {
    SchoolFixture school{{"语文", "数学"}, {"2004"}, {"2004级01班", "2004级02班"}};
    QTemporaryDir out;
    DialogDouble dialogs;
    QPointer<XJmain> window;
    size_t checked = 0;

    Session() {
        Tavisk::resetState();
        for (int i = 1; i <= 3; ++i)
            school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号"},
                                   {QStringLiteral("2004000%1").arg(i), "2004", "01",
                                    QStringLiteral("学生%1").arg(i), QStringLiteral("0%1").arg(i)});
        school.db()->insertRow("教师表", {"姓名", "任课班级1", "科目1"}, {"王老师", "2004级01班", "数学"});
        dialogs.answerEveryDialog(out.path());
        // As the program's main does.
        window = new XJmain;
        window->setAttribute(Qt::WA_DeleteOnClose);
        EXPECT_TRUE(window->Form_Load());
        window->showAsLoaded();
        QCoreApplication::processEvents();
        checked = dialogs.shown().size();
    }
    ~Session() {
        closeOtherWindows();
        delete window.data();
        Tavisk::resetState();
    }

    void closeOtherWindows() { closeWindowsBeside(window.data()); }
    void checkBoxes() { checked = expectOwnMessages(dialogs, checked, {out.path(), school.folder(), QDir::tempPath()}); }

    void run(QAction* command) {
        // Delivered as a person's choice is, through the application.
        QMetaObject::invokeMethod(command, &QAction::trigger, Qt::QueuedConnection);
        QCoreApplication::processEvents();
        checkBoxes();
        closeOtherWindows();
        checkBoxes();
    }
};

// The menu bar's and the popup menu's items by name.
QStringList menuCommands() {
    Session s;
    QStringList names;
    for (QAction* a : s.window->findChildren<QAction*>())
        if (!a->isSeparator() && !a->menu() && !a->objectName().isEmpty() && s.window->menuItem(a->objectName()) == a)
            names << a->objectName();
    names.removeDuplicates();
    return names;
}

} // namespace

TEST(RecordsEveryCommand, EachMenuItemInAFreshSession) {
    const QStringList commands = menuCommands();
    ASSERT_GT(commands.size(), 10);
    for (const QString& name : commands) {
        SCOPED_TRACE(str(name));
        Session s;
        QAction* item = s.window->menuItem(name);
        if (!item->isVisible() || !item->isEnabled())
            continue;
        s.run(item);
    }
}

// The same with a class and its first student chosen first, as a person does
// before the popup menu's items and the toolbar act on something.
TEST(RecordsEveryCommand, EachCommandWithAStudentChosen) {
    QStringList commands = menuCommands();
    for (int index = 1; index <= 7; ++index)
        commands << QStringLiteral("#%1").arg(index);
    for (const QString& name : commands) {
        SCOPED_TRACE(str(name));
        Session s;
        QTreeWidgetItem* cls = s.window->node(QStringLiteral("m200401"));
        ASSERT_TRUE(cls);
        s.window->TreeView1->setCurrentItem(cls);
        s.window->TreeView1_NodeClick(cls);
        ASSERT_GT(s.window->ListView1->count(), 0);
        s.window->ListView1->setCurrentRow(0);
        s.window->ListView1_Click();
        QAction* command = name.startsWith(u'#') ? s.window->toolbarButton(name.mid(1).toInt()) : s.window->menuItem(name);
        if (command->isVisible() && command->isEnabled())
            s.run(command);
    }
}

TEST(RecordsEveryCommand, EachToolbarButtonInAFreshSession) {
    for (int index = 1; index <= 7; ++index) {
        SCOPED_TRACE(testing::Message() << "button " << index);
        Session s;
        QAction* button = s.window->toolbarButton(index);
        ASSERT_TRUE(button);
        if (button->isEnabled())
            s.run(button);
    }
}
