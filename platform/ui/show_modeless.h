#pragma once
// A modeless window that exists at most once: shown on first use, only
// brought forward while it is open.

#include <QApplication>
#include <QWidget>

namespace platform {

// The open window of class W owned by `owner` (a direct child), or, without
// an owner, the open top-level W without one; created by `make` when there
// is none. The window is shown, raised and activated.
// A closed window lingers, hidden, until the event loop deletes it (Qt clears
// its WA_DeleteOnClose when it schedules that); it is gone for the user, so
// the next show makes a new one. The owned windows are hidden only by closing.
template <class W, class Make>
W* showModeless(QWidget* owner, Make make) {
    auto closed = [](QWidget* w) { return w->isHidden(); };
    W* window = nullptr;
    if (owner) {
        for (W* candidate : owner->findChildren<W*>(QString(), Qt::FindDirectChildrenOnly))
            if (!closed(candidate))
                window = candidate;
    } else {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* candidate = qobject_cast<W*>(w);
            if (candidate && !candidate->parentWidget() && !closed(candidate)) {
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
