#pragma once
// Wrapped text at the line spacing the windows were designed for: at most
// 1.15 font sizes per line. The Song and Hei families keep about one; a
// fallback font that reserves one and a half would otherwise lose the second
// line of a caption laid out for two.

#include <QPalette>
#include <QRect>
#include <QString>

class QFont;
class QPainter;

namespace platform {

// Distance between the baselines of two wrapped lines, in pixels.
int compactLineStep(const QFont& font);

// Draws `text` wrapped anywhere (Chinese has no spaces to wrap at) inside
// `rect`, aligned by `alignment` (horizontal and vertical flags), in the
// palette's `role` colour of the enabled or disabled group.
void drawCompactText(QPainter& painter, const QRect& rect, Qt::Alignment alignment, const QString& text,
                     const QFont& font, const QPalette& palette, bool enabled, QPalette::ColorRole role);

} // namespace platform
