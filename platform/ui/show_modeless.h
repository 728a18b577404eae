#pragma once
// A modeless window that exists at most once: shown on first use, only
// brought forward while it is open.

#include <QApplication>
#include <QWidget>

namespace platform {

// The open window of class W owned by `owner` (a direct child), or, without
// an owner, the open top-level W without one; created by `make` when there
// is none. The window is shown, raised and activated.
template <class W, class Make>
W* showModeless(QWidget* owner, Make make) {
    W* window = nullptr;
    if (owner) {
        window = owner->findChild<W*>(QString(), Qt::FindDirectChildrenOnly);
    } else {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* candidate = qobject_cast<W*>(w);
            if (candidate && !candidate->parentWidget()) {
                window = candidate;
                break;
            }
        }
    }
    if (!window)
        window = make();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace platform
