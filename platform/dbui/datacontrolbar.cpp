#include "platform/dbui/datacontrolbar.h"

#include "platform/ui/dialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace platform::db {

DataControlBar::DataControlBar(QWidget* parent) : QWidget(parent), control_(this) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto button = [this, row](const QString& text, void (platform::db::Recordset::*step)()) {
        auto* b = new QToolButton(this);
        b->setText(text);
        b->setAutoRaise(false);
        connect(b, &QToolButton::clicked, this, [this, step] { move(step); });
        row->addWidget(b);
    };
    button(QStringLiteral("|<"), &platform::db::Recordset::moveFirst);
    button(QStringLiteral("<"), &platform::db::Recordset::movePrevious);
    caption_ = new QLabel(this);
    caption_->setAlignment(Qt::AlignCenter);
    row->addWidget(caption_, 1);
    button(QStringLiteral(">"), &platform::db::Recordset::moveNext);
    button(QStringLiteral(">|"), &platform::db::Recordset::moveLast);
    connect(&control_, &platform::db::DataControl::captionChanged, caption_, &QLabel::setText);
}

QString DataControlBar::caption() const { return caption_->text(); }

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
