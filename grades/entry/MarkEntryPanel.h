#pragma once
// The mark-entry panel of the main window (panel 8): every student's marks,
// by class or by exam room, typed one after another with the keyboard.

#include "grades/entry/core/mark_entry.h"
#include "grades/frame/form2_panel.h"

#include <QObject>
#include <cstdint>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class MarkEntryPanel : public QObject, public Form2Panel {
    Q_OBJECT
public:
    int index() const override { return 8; }
    const std::vector<form2::ControlDesign>& designs() const override;
    void layout(form2::LayoutPass& pass, double width, double height) const override;
    QStringList dataControls() const override { return {QStringLiteral("Ad8")}; }
    void bind(PanelHost& host) override;
    // Room mode when exam rooms exist, class mode otherwise; the first list.
    void load() override;
    void finish() override;

    // Fills the room or class chooser and the subject chooser, then loads the first list.
    void FillScoreEntrySelectors();
    // The list of the chosen class or room for the chosen subject.
    void LoadGradeEntryList();
    // Stores the typed mark into the current student: 0 stored, 1 refused.
    int StoreEnteredScore();
    // The full mark of the current student's paper in the chosen subject, 0 when none.
    float CurrentFullMark() const;

    // Handlers of the panel's controls.
    void Option6_Click();
    void Option7_Click();
    void Combo7_Click();
    void Combo8_Click();
    void Te81_KeyPress(int16_t& keyAscii);
    void Te81_KeyUp(int keyCode);
    void Te82_KeyPress(int16_t& keyAscii);
    void Command11_Click();
    void Command12_Click();
    void Ad8_WillMove();
    void Ad8_MoveComplete();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool roomMode() const;
    // Opens the list on Ad8 and binds the grid to it; an empty source lists nothing.
    void showList(const entry::ListSource& source);
    // Tells why a typed mark was refused; the box is emptied.
    void tellRefused(entry::MarkCheck check);
    void reportFailure(const QString& text);
    // Runs a write to the current student's row with the grid hidden, so that
    // it does not repaint half-way; a refused write is reported, the boxes
    // show the row as it stayed and the mark box what was typed. False when
    // it was refused.
    bool writeWithGridHidden(const std::function<void()>& write);

    PanelHost* host_ = nullptr;
    QRadioButton* Option6 = nullptr;
    QRadioButton* Option7 = nullptr;
    QComboBox* Combo7 = nullptr;
    QComboBox* Combo8 = nullptr;
    QLabel* La82 = nullptr;
    QLabel* La88 = nullptr;
    QLabel* La89 = nullptr;
    QLabel* Label11 = nullptr;
    QLineEdit* Te81 = nullptr;
    QLineEdit* Te82 = nullptr;
    QPushButton* Command11 = nullptr;
    QPushButton* Command12 = nullptr;
    platform::db::DataGrid* DataGrid5 = nullptr;
    platform::db::DataControl* Ad8 = nullptr;
    // The full marks of the listed subject, read with each list.
    entry::FullMarks fullMarks_;
};
