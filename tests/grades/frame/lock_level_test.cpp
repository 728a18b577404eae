#include "grades/frame/lock_level.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

const QStringList kPanelButtons = {"Command1", "Command2", "Command3", "Command4",
                              "Command5", "Command6", "Command7", "Command8"};
const QStringList kTopMenus = {"MenuFile", "MenuEDIT", "MeuLook", "menuSJ", "MenuTs", "Help"};

// A stand-in main window with the named panel buttons and top-level menus.
struct LockedWindow {
    QMainWindow window;
    LockedWindow() {
        auto* central = new QWidget(&window);
        window.setCentralWidget(central);
        for (const QString& name : kPanelButtons) {
            auto* b = new QPushButton(name, central);
            b->setObjectName(name);
        }
        for (const QString& name : kTopMenus) {
            QMenu* m = window.menuBar()->addMenu(name);
            m->setObjectName(name);
            m->addAction("item");
        }
    }
    bool usable(const QString& name) const {
        if (auto* b = window.findChild<QPushButton*>(name)) return b->isEnabled();
        auto* m = window.findChild<QMenu*>(name);
        return m->menuAction()->isEnabled() && m->isEnabled();
    }
    QStringList usableNames() const {
        QStringList out;
        for (const QString& n : kPanelButtons + kTopMenus)
            if (usable(n)) out << n;
        return out;
    }
};

struct LevelCase {
    int level;
    QStringList usable;
};

TEST(LockLevel, NormalUserKeepsExactlyWhatTheLevelAllows) {
    const QStringList all = kPanelButtons + kTopMenus;
    const LevelCase cases[] = {
        {-1, {"Help"}},
        {0, {"Help"}},
        {1, {"Command6", "Command7", "MeuLook", "Help"}},
        {2, {"Command6", "Command7", "Command8", "MenuFile", "MeuLook", "Help"}},
        {3, all},
        {4, all},
    };
    for (const LevelCase& c : cases) {
        LockedWindow form;
        ApplyLockLevel(&form.window, c.level, false);
        EXPECT_EQ(form.usableNames(), c.usable) << "level " << c.level;
    }
}

TEST(LockLevel, AdministratorIsNeverLimitedAndAFreshApplyUndoesAnOldOne) {
    LockedWindow form;
    ApplyLockLevel(&form.window, 0, false);
    ApplyLockLevel(&form.window, 0, true);
    EXPECT_EQ(form.usableNames(), kPanelButtons + kTopMenus);
}

} // namespace
