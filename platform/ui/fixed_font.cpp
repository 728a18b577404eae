#include "platform/ui/fixed_font.h"

namespace platform {

QFont fixedColumnFont(qreal pointSize) {
    // Its Latin letters are half the width of its Chinese characters.
    QFont f(QStringLiteral("Noto Sans Mono CJK SC"));
    f.setStyleHint(QFont::TypeWriter);
    f.setPointSizeF(pointSize);
    return f;
}

} // namespace platform
