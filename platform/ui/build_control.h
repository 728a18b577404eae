#pragma once
// The one way a window builds a control: made in its parent, named (its
// objectName, which the tests and the caption check find it by), given its
// caption where its kind shows one, and placed at its designed twips.

#include "platform/ui/twips.h"

#include <QString>
#include <QWidget>
#include <type_traits>
#include <utility>

namespace platform {

// Unplaced: for a control the window lays out itself when it is resized.
// Extra arguments go to the constructor after the parent.
template <class T, class... Args>
    requires std::is_constructible_v<T, QWidget*, Args...>
T* buildControl(QWidget* parent, const QString& name, const QString& caption = {}, Args&&... args) {
    auto* w = new T(parent, std::forward<Args>(args)...);
    if (!name.isEmpty())
        w->setObjectName(name);
    if (!caption.isEmpty()) {
        if constexpr (requires { w->setText(caption); })
            w->setText(caption);
        else if constexpr (requires { w->setTitle(caption); })
            w->setTitle(caption);
    }
    return w;
}

// Placed at left, top, width and height in twips, relative to the parent.
template <class T, class... Args>
    requires std::is_constructible_v<T, QWidget*, Args...>
T* buildControl(QWidget* parent, const QString& name, int left, int top, int width, int height,
                const QString& caption = {}, Args&&... args) {
    T* w = buildControl<T>(parent, name, caption, std::forward<Args>(args)...);
    placeTwips(*w, left, top, width, height);
    return w;
}

} // namespace platform
