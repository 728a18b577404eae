#include "grades/results/bands/BandCanvas.h"

#include "platform/ui/twips.h"

#include <QPainter>
#include <cmath>

namespace {

int px(double twips) { return platform::twipsToPixels(int(std::lround(twips))); }

// Blue in full: the bar colour of the old charts (0xFF0000 with red in the lowest byte).
const QColor kBarColour(0, 0, 255);

} // namespace

BandCanvas::BandCanvas(QWidget* viewport) : QWidget(viewport) {
    setObjectName(QStringLiteral("Picture2"));
    // A white sheet, so the viewport stands out from the pane.
    setBackgroundRole(QPalette::Base);
    setForegroundRole(QPalette::Text);
    setAutoFillBackground(true);
}

void BandCanvas::setChart(const bands::ChartLayout& layout) {
    layout_ = layout;
    platform::placeTwips(*this, layout.canvasLeft, layout.canvasTop, layout.canvasWidth, layout.canvasHeight);
    QWidget::show();
    update();
}

void BandCanvas::clear() {
    layout_.bars.clear();
    layout_.message.clear();
    update();
}

void BandCanvas::paintEvent(QPaintEvent*) {
    if (layout_.bars.empty() && layout_.message.isEmpty()) return;
    QPainter p(this);
    const QColor text = palette().color(foregroundRole());
    p.setPen(text);
    const QFontMetrics fm(font());
    const auto textAt = [&](double left, double top, const QString& s) {
        p.drawText(QPoint(px(left), px(top) + fm.ascent()), s);   // top left at the point
    };
    if (!layout_.message.isEmpty()) {
        // One empty line, then the message.
        p.drawText(QPoint(0, fm.height() + fm.ascent()), layout_.message);
        return;
    }
    p.setPen(QColor(0, 0, 0));
    p.drawLine(px(bands::kAxisX), 0, px(bands::kAxisX), px(layout_.canvasHeight));
    p.setPen(text);
    for (const bands::ChartBar& b : layout_.bars) {
        const int x0 = px(bands::kAxisX), x1 = px(bands::kAxisX + double(b.length));
        const int y0 = px(b.top), y1 = px(b.top + bands::kBarHeight);
        if (x1 != x0) p.fillRect(QRect(QPoint(std::min(x0, x1), y0), QPoint(std::max(x0, x1) - 1, y1 - 1)), kBarColour);
        if (!b.label.isEmpty()) textAt(0, b.top, b.label);
        textAt(b.valueLeft, b.top, b.valueText);
    }
}
