#pragma once
// Check boxes and option buttons whose caption wraps onto further lines when
// the control is too narrow for it, as the windows were designed for. Qt's own
// keep one line and cut the caption off.

#include <QCheckBox>
#include <QRadioButton>

namespace platform {

class WrappingCheckBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

class WrappingRadioButton : public QRadioButton {
    Q_OBJECT
public:
    using QRadioButton::QRadioButton;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

} // namespace platform
