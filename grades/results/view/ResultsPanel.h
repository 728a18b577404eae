#pragma once
// The results panel of the main window (panel 6): the students of a class,
// grade level, exam room or the whole school from one of the score tables,
// ranked by a chosen field, on four pages (one student, the grid, one field,
// the table choice), with the search box.

#include "grades/frame/form2_panel.h"
#include "grades/results/view/results_choosers.h"

#include <QObject>
#include <QString>
#include <cstdint>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QWidget;

class ResultsPanel : public QObject, public Form2Panel, public results::ResultsChoosers {
    Q_OBJECT
public:
    int index() const override { return 6; }
    const std::vector<form2::ControlDesign>& designs() const override;
    void layout(form2::LayoutPass& pass, double width, double height) const override;
    QStringList dataControls() const override { return {QStringLiteral("Ad61")}; }
    void bind(PanelHost& host) override;
    bool offers(const std::type_info& service) const override { return service == typeid(results::ResultsChoosers); }
    // Fills the lists still empty; with no student yet it says so and goes
    // back to the home panel; otherwise shows the class or room chosen last.
    void load() override;
    void finish() override;

    // The handlers, run by the controls (lists only when an entry is picked).
    void Combo9_Click();
    void Combo10_Click();
    void Combo12_Click();
    void Com65_Click();
    void Com68_Click();
    void Opt60_Click(int index);
    void Option8_Click(int index = 0);
    void Ad61_MoveComplete();
    void Te61_GotFocus();
    void Te61_KeyPress(int16_t& keyAscii);
    void Com61_Click();   // 导出
    void Com62_Click();   // 打印
    void Com64_Click();   // 高级

    void BuildResultsView();
    void BuildResultsListing();

    // The SQL text of the view.
    QString ViewQuery;

    // The room or class chosen last; other windows read it.
    QString classText() const;
    QString roomText() const;

    // What other windows ask of the choosers.
    void forgetClasses() override;
    void forgetRooms() override;
    void offerEveryClass(const QStringList& labels) override;
    QStringList classChoices() const override;
    QString chosenClass() const override { return classText(); }
    void showClass(const QString& label) override;
    QStringList roomChoices() const override;
    QString chosenRoom() const override { return roomText(); }
    void showRoom(const QString& label) override;
    QString sortKey() const override;
    void allowAdvancedView(bool allowed) override;

private:
    void fillChoosers();
    QStringList scoreTableFields() const;
    // The grid follows the record set again; it never writes.
    void attachGrid();
    void detachGridForWalk();

    PanelHost* host_ = nullptr;
    bool walking_ = false;
    QString typedQuery_;   // the view's query when the user typed it
    QWidget* Frame12[4] = {};
    QComboBox* Combo9 = nullptr;    // classes and grade levels
    QComboBox* Combo10 = nullptr;   // exam rooms
    QComboBox* Combo12 = nullptr;   // sort keys
    QComboBox* Combo13 = nullptr;   // line spacing
    QComboBox* Combo14 = nullptr;   // per line
    QRadioButton* Opt60[3] = {};
    QRadioButton* Option8[3] = {};
    QPushButton* Com61 = nullptr;
    QPushButton* Com64 = nullptr;
    QLabel* Lab6 = nullptr;
    QLabel* Lab6a = nullptr;
    QLabel* Lab6b = nullptr;
    QPlainTextEdit* Text2 = nullptr;
    QPlainTextEdit* Text6 = nullptr;
    QPlainTextEdit* Text7 = nullptr;
    QLineEdit* Te61 = nullptr;
    platform::db::DataGrid* DataGrid6 = nullptr;
    platform::db::DataControl* Ad61 = nullptr;
};
