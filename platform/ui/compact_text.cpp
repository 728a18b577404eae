#include "platform/ui/compact_text.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>
#include <cmath>
#include <vector>

namespace platform {
namespace {

double emOf(const QFont& font) { return QFontInfo(font).pixelSize(); }

} // namespace

int compactLineStep(const QFont& font) {
    const double step = std::ceil(emOf(font) * 1.15);
    return std::min(static_cast<int>(step), static_cast<int>(std::ceil(QFontMetricsF(font).height())));
}

void drawCompactText(QPainter& painter, const QRect& rect, Qt::Alignment alignment, const QString& text,
                     const QFont& font, const QPalette& palette, bool enabled, QPalette::ColorRole role) {
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAnywhere);
    layout.setTextOption(option);
    const int step = compactLineStep(font);
    std::vector<QTextLine> lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(rect.width());
        lines.push_back(line);
    }
    layout.endLayout();
    if (lines.empty())
        return;

    const double em = emOf(font);
    const double total = double(step) * double(lines.size());
    double top = rect.top();
    if (alignment & Qt::AlignVCenter)
        top += (rect.height() - total) / 2;
    else if (alignment & Qt::AlignBottom)
        top += rect.height() - total;
    // A CJK glyph fills its em square from 0.88 em above the baseline to 0.12 em below.
    const double baselineInLine = (step - em) / 2 + 0.88 * em;

    painter.save();
    painter.setFont(font);
    painter.setPen(palette.color(enabled ? QPalette::Active : QPalette::Disabled, role));
    painter.setClipRect(rect);
    for (size_t i = 0; i < lines.size(); ++i) {
        const QTextLine& line = lines[i];
        double x = rect.left();
        if (alignment & Qt::AlignHCenter)
            x += (rect.width() - line.naturalTextWidth()) / 2;
        else if (alignment & Qt::AlignRight)
            x += rect.width() - line.naturalTextWidth();
        const double baseline = top + double(i) * step + baselineInLine;
        line.draw(&painter, QPointF(x, baseline - line.ascent()));
    }
    painter.restore();
}

} // namespace platform
