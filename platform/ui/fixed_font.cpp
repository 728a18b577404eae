#include "platform/ui/fixed_font.h"

#include <QStringList>

namespace platform {

QFont fixedColumnFont(qreal pointSize) {
    // The 宋体 stand-in, whose Latin letters are half its Chinese characters'
    // width, as 宋体's were; the CJK monospace family where it is missing.
    QFont f;
    f.setFamilies({QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Sans Mono CJK SC")});
    f.setStyleHint(QFont::TypeWriter);
    f.setPointSizeF(pointSize);
    return f;
}

} // namespace platform
