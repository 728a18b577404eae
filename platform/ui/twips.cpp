#include "platform/ui/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace platform {

namespace {
constexpr double kTwipsPerInch = 1440.0;
}

double screenDpi() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        if (const QScreen* s = QGuiApplication::primaryScreen())
            if (s->logicalDotsPerInch() > 0) return s->logicalDotsPerInch();
    return 96.0;
}

int twipsToPixels(int twips, double dpi) { return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch)); }
int pixelsToTwips(int pixels, double dpi) { return static_cast<int>(std::lround(pixels * kTwipsPerInch / dpi)); }
int twipsToPixels(int twips) { return twipsToPixels(twips, screenDpi()); }
int pixelsToTwips(int pixels) { return pixelsToTwips(pixels, screenDpi()); }

QRect twipsRect(int left, int top, int width, int height) {
    const double dpi = screenDpi();
    // Edges are converted, not sizes, so that controls that touch in twips touch in pixels.
    const int x = twipsToPixels(left, dpi), y = twipsToPixels(top, dpi);
    return QRect(x, y, twipsToPixels(left + width, dpi) - x, twipsToPixels(top + height, dpi) - y);
}

void placeTwips(QWidget& widget, int left, int top, int width, int height) {
    widget.setGeometry(twipsRect(left, top, width, height));
}

void resizeTwips(QWidget& window, int width, int height) {
    window.resize(twipsToPixels(width), twipsToPixels(height));
}

} // namespace platform
