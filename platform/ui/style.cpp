#include "platform/ui/style.h"

#include <QApplication>
#include <QProxyStyle>

namespace platform {
namespace {

class SystemStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

    // Check boxes and option buttons as the windows were designed for: a
    // 13-pixel indicator and the caption 4 pixels after it.
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        switch (metric) {
        case PM_IndicatorWidth:
        case PM_IndicatorHeight:
        case PM_ExclusiveIndicatorWidth:
        case PM_ExclusiveIndicatorHeight:
            return 13;
        case PM_CheckBoxLabelSpacing:
        case PM_RadioButtonLabelSpacing:
            return 4;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }
};

} // namespace

void installSystemStyle() {
    QApplication::setStyle(new SystemStyle);  // the application takes ownership
}

} // namespace platform
