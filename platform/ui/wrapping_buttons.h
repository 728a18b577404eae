#pragma once
// Check boxes, option buttons and labels whose text wraps onto further lines
// at the line spacing the windows were designed for. Qt's own check boxes keep
// one line and cut the caption off.

#include <QCheckBox>
#include <QLabel>
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

// A word-wrapped label of plain text whose lines keep the designed spacing.
// Labels with rich text or a mnemonic are drawn as QLabel draws them.
class WrappingLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace platform
