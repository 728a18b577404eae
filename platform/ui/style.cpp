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
};

} // namespace

void installSystemStyle() {
    QApplication::setStyle(new SystemStyle);  // the application takes ownership
}

} // namespace platform
