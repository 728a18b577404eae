#pragma once
// The student panel of the main window (panel 1): the names of the students
// of one class, added, inserted, renamed and deleted one at a time.

#include "grades/entry/core/student_roster.h"
#include "grades/entry/student_class_choice.h"
#include "grades/frame/form2_panel.h"

#include <QObject>
#include <functional>
#include <memory>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace platform::db {
class DataControl;
class DataGrid;
}

class StudentPanel : public QObject, public Form2Panel, public entry::StudentClassChoice {
    Q_OBJECT
public:
    // The width of the class size la15 (twips): five digits must read there.
    static constexpr int kClassSizeWidth = 405;
    StudentPanel();
    ~StudentPanel() override;

    int index() const override { return 1; }
    const std::vector<form2::ControlDesign>& designs() const override;
    void layout(form2::LayoutPass& pass, double width, double height) const override;
    QStringList dataControls() const override { return {QStringLiteral("Ad1")}; }
    void bind(PanelHost& host) override;
    bool offers(const std::type_info& service) const override { return service == typeid(entry::StudentClassChoice); }
    QString chosenClass() const override;
    // False when the exam-number cards were printed and the user chose not to go on.
    bool mayOpen() override;
    // Fills the class chooser from 班级表 and chooses its first class.
    void load() override;
    // Stores the student count in scro.dat and lets go of the class.
    void finish() override;

    entry::ClassRoster& roster() { return *roster_; }

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
    // Runs one change of the roster; a failed one is told, on the student chosen.
    void change(const std::function<entry::ClassRoster::Result()>& work);
    void reportFailure(const QString& text);

    PanelHost* host_ = nullptr;
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
    std::unique_ptr<entry::ClassRoster> roster_;
};
