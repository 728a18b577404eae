#include "platform/ui/fit_text.h"

#include <QFontMetricsF>
#include <cmath>

namespace platform {

namespace {
// Below this a count is no longer read at a glance.
constexpr double kSmallestPointSize = 6.0;

bool fits(const QString& text, const QFont& font, int width) {
    return std::ceil(QFontMetricsF(font).horizontalAdvance(text)) <= width;
}
} // namespace

QFont fittedFont(const QString& text, const QFont& base, int width) {
    QFont font = base;
    double size = base.pointSizeF() > 0 ? base.pointSizeF() : 9.0;
    while (size > kSmallestPointSize && !fits(text, font, width)) {
        size -= 0.5;
        font.setPointSizeF(size);
    }
    return font;
}

} // namespace platform
