#include "platform/ui/style.h"

#include <QApplication>
#include <QHash>
#include <QIcon>
#include <QProxyStyle>
#include <QStyleOption>
#include <QThread>
#include <QWidget>

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

    // The toolkit makes a new icon on every call, reading the same picture
    // files again, and every pixmap painted from it enters the shared pixmap
    // cache under that new icon's key, to stay there until the cache's 10 MB
    // are full: each file dialog or message box opened kept its pictures once
    // more. One icon per picture, kept for the session, serves them all.
    QIcon standardIcon(StandardPixmap picture, const QStyleOption* option, const QWidget* widget) const override {
        if (QThread::currentThread() != qApp->thread())
            return QProxyStyle::standardIcon(picture, option, widget);
        // What the picture may depend on: the directions it is drawn for, and
        // the desktop's icon theme, which can change while the program runs.
        const QString key = QStringLiteral("%1 %2 %3 %4 %5")
                                .arg(QString::number(picture), QString::number(option ? int(option->direction) : -1),
                                     QString::number(widget ? int(widget->layoutDirection()) : -1),
                                     QString::number(int(QGuiApplication::layoutDirection())), QIcon::themeName());
        auto found = icons_.constFind(key);
        if (found == icons_.constEnd())
            found = icons_.insert(key, QProxyStyle::standardIcon(picture, option, widget));
        return *found;
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

private:
    mutable QHash<QString, QIcon> icons_;
};

} // namespace

void installSystemStyle() {
    QApplication::setStyle(new SystemStyle);  // the application takes ownership
}

} // namespace platform
