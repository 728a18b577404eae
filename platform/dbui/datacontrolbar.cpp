#include "platform/dbui/datacontrolbar.h"

#include "platform/ui/dialogs.h"
#include "platform/ui/fit_text.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QLabel>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace platform::db {

namespace {
int textWidth(const QString& text, const QFont& font) {
    return int(std::ceil(QFontMetricsF(font).horizontalAdvance(text)));
}
} // namespace

DataControlBar::DataControlBar(QWidget* parent) : QWidget(parent), control_(this) {
    auto button = [this](int i, const QString& text, void (platform::db::Recordset::*step)()) {
        auto* b = new QToolButton(this);
        b->setText(text);
        b->setAutoRaise(false);
        connect(b, &QToolButton::clicked, this, [this, step] { move(step); });
        buttons_[size_t(i)] = b;
    };
    button(0, QStringLiteral("|<"), &platform::db::Recordset::moveFirst);
    button(1, QStringLiteral("<"), &platform::db::Recordset::movePrevious);
    button(2, QStringLiteral(">"), &platform::db::Recordset::moveNext);
    button(3, QStringLiteral(">|"), &platform::db::Recordset::moveLast);
    caption_ = new QLabel(this);
    caption_->setAlignment(Qt::AlignCenter);
    connect(&control_, &platform::db::DataControl::captionChanged, this, [this](const QString& text) {
        caption_->setText(text);
        fitCaption();
    });
}

QString DataControlBar::caption() const { return caption_->text(); }

QSize DataControlBar::sizeHint() const {
    const int h = buttons_[0]->sizeHint().height();
    return {4 * h + textWidth(caption_->text(), font()) + 2, h};
}

void DataControlBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitCaption();
}

void DataControlBar::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        fitCaption();
}

// A position such as "10080/10080" must read whole in the box the panel
// designed, which is often narrower than four square buttons and the text in
// the program's font. The buttons give up width first, down to what their
// arrows need; then the caption takes a smaller size.
void DataControlBar::fitCaption() {
    const int w = width();
    const int h = height();
    const QString text = caption_->text();
    const QFont base = font();
    int narrowest = 0;
    for (QToolButton* b : buttons_)
        narrowest = std::max(narrowest, textWidth(b->text(), b->font()) + 4);
    const int square = std::max(h, narrowest);
    const int margin = 4;   // clear of the buttons on both sides
    const int needed = textWidth(text, base) + 2 * margin;
    int buttonWidth = std::clamp((w - needed) / 4, narrowest, square);
    // Too narrow even for the arrows: the buttons share the bar evenly.
    if (4 * buttonWidth > w)
        buttonWidth = w / 4;
    const int room = std::max(0, w - 4 * buttonWidth);

    caption_->setFont(needed > room ? platform::fittedFont(text, base, room - 2 * margin) : base);

    buttons_[0]->setGeometry(0, 0, buttonWidth, h);
    buttons_[1]->setGeometry(buttonWidth, 0, buttonWidth, h);
    caption_->setGeometry(2 * buttonWidth, 0, room, h);
    buttons_[2]->setGeometry(w - 2 * buttonWidth, 0, buttonWidth, h);
    buttons_[3]->setGeometry(w - buttonWidth, 0, buttonWidth, h);
}

void DataControlBar::move(void (platform::db::Recordset::*step)()) {
    auto* rs = control_.recordset();
    if (!rs || rs->recordCount() == 0)
        return;
    try {
        (rs->*step)();
        // Like the buttons of a data control, stop on the first or last row, not beyond it.
        if (rs->eof())
            rs->moveLast();
        else if (rs->bof())
            rs->moveFirst();
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, {}, platform::MsgIcon::Warning);
    }
}

} // namespace platform::db
