#pragma once
// The visible face of a data control on a panel: the caption between the
// four move buttons, as the panels show a position such as "3/41" there.
// The control itself (connection, record source, record set) is the data
// layer's DataControl, owned by this bar.

#include "platform/db/datacontrol.h"

#include <QWidget>

class QLabel;
class QToolButton;

namespace form2 {

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

} // namespace form2
