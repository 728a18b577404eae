#include "platform/ui/wrapping_buttons.h"

#include "platform/ui/compact_text.h"

#include <QStyleOptionButton>
#include <QPainter>
#include <QStylePainter>
#include <QTextDocument>

namespace platform {
namespace {

// Draws the indicator where the style puts it and the caption, wrapped, in
// the room to its right.
void paintWrapped(QAbstractButton& button, QStyleOptionButton option, QStyle::PrimitiveElement indicator,
                  QStyle::SubElement indicatorRect) {
    QStylePainter p(&button);
    const QString caption = option.text;
    option.text.clear();
    QStyleOptionButton ind = option;
    ind.rect = button.style()->subElementRect(indicatorRect, &option, &button);
    p.drawPrimitive(indicator, ind);

    QRect text = option.rect;
    text.setLeft(ind.rect.right() + 1 + button.style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, &button));
    drawCompactText(p, text, Qt::AlignLeft | Qt::AlignVCenter, caption, button.font(), button.palette(),
                    button.isEnabled(), QPalette::WindowText);
    if (button.hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(&button);
        focus.rect = text;
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

} // namespace

void WrappingCheckBox::paintEvent(QPaintEvent*) {
    QStyleOptionButton option;
    initStyleOption(&option);
    paintWrapped(*this, option, QStyle::PE_IndicatorCheckBox, QStyle::SE_CheckBoxIndicator);
}

// The whole control answers a click, second line of the caption included.
bool WrappingCheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }

void WrappingRadioButton::paintEvent(QPaintEvent*) {
    QStyleOptionButton option;
    initStyleOption(&option);
    paintWrapped(*this, option, QStyle::PE_IndicatorRadioButton, QStyle::SE_RadioButtonIndicator);
}

bool WrappingRadioButton::hitButton(const QPoint& pos) const { return rect().contains(pos); }

void WrappingLabel::paintEvent(QPaintEvent* event) {
    const QString t = text();
    if (!wordWrap() || t.contains(u'&') || textFormat() == Qt::RichText ||
        (textFormat() == Qt::AutoText && Qt::mightBeRichText(t))) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter p(this);
    drawFrame(&p);
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    drawCompactText(p, area, alignment(), t, font(), palette(), isEnabled(), foregroundRole());
}

} // namespace platform
