#pragma once
// The visible face of a data control on a panel: the caption between the
// four move buttons, as the panels show a position such as "3/41" there.
// The control itself (connection, record source, record set) is the data
// layer's DataControl, owned by this bar.

#include "platform/db/datacontrol.h"

#include <QWidget>

class QLabel;
class QToolButton;

namespace platform::db {

class DataControlBar : public QWidget {
    Q_OBJECT
public:
    explicit DataControlBar(QWidget* parent = nullptr);
    DataControl& control() { return control_; }
    QString caption() const;

private:
    void move(void (Recordset::*step)());

    DataControl control_;
    QLabel* caption_ = nullptr;
};

} // namespace platform::db
