#include "platform/ui/wrapping_buttons.h"

#include <QStyleOptionButton>
#include <QStylePainter>

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
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWrapAnywhere | Qt::TextShowMnemonic;
    button.style()->drawItemText(&p, text, flags, button.palette(), button.isEnabled(), caption,
                                 QPalette::WindowText);
    if (button.hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(&button);
        focus.rect = p.boundingRect(text, flags, caption);
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

} // namespace platform
