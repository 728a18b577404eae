#include "grades/frame/lock_level.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace {

// A top-level menu is greyed through its action in the menu bar; buttons and
// plain actions directly.
bool setUsable(QWidget* form2, const QString& name, bool usable) {
    bool found = false;
    for (QObject* o : form2->findChildren<QObject*>(name)) {
        if (auto* menu = qobject_cast<QMenu*>(o)) {
            menu->menuAction()->setEnabled(usable);
            menu->setEnabled(usable);
        } else if (auto* action = qobject_cast<QAction*>(o)) {
            action->setEnabled(usable);
        } else if (auto* widget = qobject_cast<QWidget*>(o)) {
            widget->setEnabled(usable);
        } else {
            continue;
        }
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
