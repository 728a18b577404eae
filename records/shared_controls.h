#pragma once
// Key presses as the old handlers take them, and the visible face of a data
// control (its four move buttons around the caption).

#include "platform/db/datacontrol.h"

#include <QWidget>
#include <cstdint>
#include <functional>

class QLabel;

namespace records {

// The signed code a typed character gives: ASCII as itself (Enter 13), a
// double-byte GBK character as its two bytes read as a negative number.
int16_t keyCodeOf(QChar c);
// Every key press of `box` that types a character goes to `handler`; a code
// set to 0 swallows the key.
void filterKeys(QWidget* box, std::function<void(int16_t& keyAscii)> handler);

class DataControlBar : public QWidget {
    Q_OBJECT
public:
    explicit DataControlBar(QWidget* parent = nullptr);
    platform::db::DataControl& control() { return control_; }
    QString caption() const;

private:
    void move(void (platform::db::Recordset::*step)());

    platform::db::DataControl control_;
    QLabel* caption_ = nullptr;
};

} // namespace records
