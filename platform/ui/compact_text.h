#pragma once
// Wrapped text at the line spacing the windows were designed for. The CJK
// fonts here reserve about one and a half times the font size per line, the
// fonts of the old desktop about one: a caption laid out for two lines would
// lose its second one. Lines are set 1.15 font sizes apart instead.

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
