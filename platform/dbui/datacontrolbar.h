#pragma once
// The visible face of a data control on a panel: the caption between the
// four move buttons, as the panels show a position such as "3/41" there.
// The control itself (connection, record source, record set) is the data
// layer's DataControl, owned by this bar.

#include "platform/db/datacontrol.h"

#include <QWidget>
#include <array>

class QLabel;
class QToolButton;

namespace platform::db {

class DataControlBar : public QWidget {
    Q_OBJECT
    // The control's caption, as a property so that layout checks can set it
    // without knowing this class.
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
public:
    explicit DataControlBar(QWidget* parent = nullptr);
    DataControl& control() { return control_; }
    QString caption() const;
    void setCaption(const QString& caption) { control_.setCaption(caption); }
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void move(void (Recordset::*step)());
    // Places the buttons and fits the caption between them.
    void fitCaption();

    DataControl control_;
    QLabel* caption_ = nullptr;
    std::array<QToolButton*, 4> buttons_{};
};

} // namespace platform::db
