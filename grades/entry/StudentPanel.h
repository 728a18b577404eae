#pragma once
// The student panel of the main window: the main window builds its controls,
// this class gives them their behaviour. It finds them by name in the window
// and answers their events with the handlers below.

#include "grades/entry/student_roster.h"

#include <QObject>
#include <functional>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Form2;

namespace platform::db {
class DataControl;
class DataGrid;
}

// The signed code a key press gives: ASCII as itself, a double-byte GBK
// character as its two bytes read as a negative 16-bit number, '?' for a
// character GBK cannot hold.
int16_t keyCodeOf(QChar c);

class StudentPanel : public QObject {
    Q_OBJECT
public:
    // Takes the panel's controls of the main window (Combo1, Te11, tx12, la10,
    // la15, la18, Com10, Com12, Com13, Comm11, Che11, DataGrid1, Ad1) and its
    // settings cursor Adodc0.
    explicit StudentPanel(Form2* form2);

    // The opening, split around the main window's ShowPanel(1):
    // false when the exam-number cards were printed and the user chose not to go on.
    bool mayOpen();
    // Fills the class chooser from 班级表 and chooses its first class.
    void load();
    // The finishing work of the panel, for Comout_Click.
    void finish();

    entry::ClassRoster& roster() { return roster_; }

    // Handlers of the panel's controls.
    void Combo1_Click();
    void Com10_Click();
    void Com12_Click();
    void Com13_Click();
    void Comm11_Click();
    void Te11_GotFocus();
    void Te11_KeyPress(int16_t& keyAscii);
    void Ad1_WillMove();
    void Ad1_MoveComplete();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void offer(const entry::ClassRoster::Result& result);
    void report(entry::ClassRoster::Result result);
    // Runs one change of the roster; a failed one is told and the class read again.
    void change(const std::function<entry::ClassRoster::Result()>& work);
    void reportFailure(const QString& text);

    Form2* form_ = nullptr;
    QComboBox* Combo1 = nullptr;
    QLineEdit* Te11 = nullptr;
    QLineEdit* tx12 = nullptr;
    QLabel* la10 = nullptr;
    QLabel* la15 = nullptr;
    QLabel* la18 = nullptr;
    QPushButton* Com10 = nullptr;
    QPushButton* Com12 = nullptr;
    QPushButton* Com13 = nullptr;
    QPushButton* Comm11 = nullptr;
    QCheckBox* Che11 = nullptr;
    platform::db::DataGrid* DataGrid1 = nullptr;
    platform::db::DataControl* Ad1 = nullptr;
    entry::ClassRoster roster_;
};
