#include "records/shared_controls.h"

#include "platform/db/recordset.h"
#include "platform/text/gbk.h"
#include "platform/ui/dialogs.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>

namespace records {

int16_t keyCodeOf(QChar c) {
    if (c.unicode() < 0x80)
        return int16_t(c.unicode());
    const auto code = platform::gbkCharCode(QString(c));
    return code ? *code : int16_t('?');
}

namespace {

class KeyFilter : public QObject {
public:
    KeyFilter(QWidget* box, std::function<void(int16_t&)> handler)
        : QObject(box), box_(box), handler_(std::move(handler)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != box_ || event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->text().isEmpty() || key->key() == Qt::Key_Delete)
            return false;
        int16_t code = keyCodeOf(key->text().at(0));
        handler_(code);
        return code == 0;
    }

private:
    QWidget* box_;
    std::function<void(int16_t&)> handler_;
};

} // namespace

void filterKeys(QWidget* box, std::function<void(int16_t& keyAscii)> handler) {
    box->installEventFilter(new KeyFilter(box, std::move(handler)));
}

DataControlBar::DataControlBar(QWidget* parent) : QWidget(parent), control_(this) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto button = [this, row](const QString& text, void (platform::db::Recordset::*step)()) {
        auto* b = new QToolButton(this);
        b->setText(text);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, [this, step] { move(step); });
        row->addWidget(b);
    };
    button(QStringLiteral("|<"), &platform::db::Recordset::moveFirst);
    button(QStringLiteral("<"), &platform::db::Recordset::movePrevious);
    caption_ = new QLabel(this);
    caption_->setAlignment(Qt::AlignCenter);
    caption_->setFrameShape(QFrame::StyledPanel);
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
        // Like the buttons of a data control: stop on the first or last row, not beyond it.
        if (rs->eof())
            rs->moveLast();
        else if (rs->bof())
            rs->moveFirst();
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, {}, platform::MsgIcon::Warning);
    }
}

} // namespace records
