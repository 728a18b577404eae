#pragma once
// Shows a window of the program beside the main window, owned by it: made on
// first use, brought to the front while it is open, made afresh after it was
// closed. Owned windows close with their owner. A window that refuses to open
// (make gives null) is not shown.

#include <QPointer>
#include <QWidget>

namespace records {

template <class W, class Make>
W* showOwned(QPointer<W>& slot, QWidget* owner, Make make) {
    if (!slot) {
        W* made = make();
        if (!made)
            return nullptr;
        slot = made;
        slot->setParent(owner, slot->windowFlags() | Qt::Window);
        slot->setAttribute(Qt::WA_DeleteOnClose);
    }
    slot->show();
    slot->raise();
    slot->activateWindow();
    return slot;
}

} // namespace records
