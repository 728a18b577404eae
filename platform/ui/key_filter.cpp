#include "platform/ui/key_filter.h"

#include "platform/text/gbk.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

namespace platform {

int16_t keyCodeOf(QChar c) {
    if (c.unicode() < 0x80)
        return int16_t(c.unicode());
    if (!canEncodeGbk(QString(c)))
        return int16_t('?');
    const QByteArray bytes = toGbk(QString(c));
    if (bytes.size() != 2)
        return int16_t(uint8_t(bytes.at(0)));
    return int16_t(uint16_t(uint8_t(bytes.at(0)) << 8 | uint8_t(bytes.at(1))));
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

} // namespace platform
