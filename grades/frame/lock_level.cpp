#include "grades/frame/lock_level.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>
#include <QMenu>
#include <QWidget>

namespace {

// Only the window's own controls: windows it owns (Form12, Form17 ...) reuse
// names such as Command1 and must stay as they are. A top-level menu is
// greyed through its action in the menu bar; buttons directly.
bool setUsable(QWidget* form2, const QString& name, bool usable) {
    bool found = false;
    if (auto* main = qobject_cast<QMainWindow*>(form2); main && main->menuWidget()) {
        for (QAction* a : main->menuBar()->actions()) {
            QMenu* menu = a->menu();
            if (a->objectName() != name && !(menu && menu->objectName() == name))
                continue;
            a->setEnabled(usable);
            if (menu)
                menu->setEnabled(usable);
            found = true;
        }
    }
    for (QWidget* w : form2->findChildren<QWidget*>(name)) {
        if (w->window() != form2 || qobject_cast<QMenu*>(w))
            continue;
        w->setEnabled(usable);
        found = true;
    }
    return found;
}

} // namespace

void ApplyLockLevel(QWidget* form2, int level, bool isAdministrator) {
    for (const LockedControl& c : lockedControls()) {
        if (!setUsable(form2, c.name, isAdministrator || level >= c.lowestLevel))
            qWarning("ApplyLockLevel: no control named %s", qPrintable(c.name));
    }
}
