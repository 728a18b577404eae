#pragma once
// The frames, combo and list boxes every window builds. They behave as the
// school's users know them: a frame's caption sits on its border, a combo box
// keeps exactly what was typed into it, and a list box has no selection once
// its selected entry is removed.

#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>

namespace platform {

// Takes the completer off an editable combo box: no inline completion into
// the first matching entry, no case correction when the box loses the focus.
// The checks of the windows see what was typed. Harmless on a box that is
// not editable.
void keepTypedText(QComboBox& box);

class ComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ComboBox(QWidget* parent = nullptr, bool editable = false);
    // Keeps the typed text when the box becomes editable later.
    void setEditable(bool editable);

protected:
    // Also made editable through a QComboBox pointer: the rule is kept before
    // the box handles its next event.
    bool event(QEvent* event) override;
};

// A frame whose border runs through the middle of its caption. The controls
// inside are placed from the frame's top edge, as designed; a style that puts
// the caption above the border would run the border through the top row.
class Frame : public QGroupBox {
    Q_OBJECT
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Removing the selected entry leaves no entry selected and no current row, so
// a second 删除 removes nothing.
class ListBox : public QListWidget {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent = nullptr);

protected:
    void rowsAboutToBeRemoved(const QModelIndex& parent, int first, int last) override;

private:
    bool dropSelection_ = false;
};

} // namespace platform
