#pragma once
// The teacher assessment view of the main window (panel 7): the teachers of
// 教师表 one at a time with the score and figures the calculation stored, the
// overall score, the printout and the class lists of a teacher's assignments.

#include "grades/frame/form2_panel.h"
#include "grades/results/core/teacher_assessment.h"

#include <QObject>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace platform::db {
class Recordset;
}

class TeacherScorePanel : public QObject, public Form2Panel {
    Q_OBJECT
public:
    int index() const override { return 7; }
    const std::vector<form2::ControlDesign>& designs() const override;
    void layout(form2::LayoutPass& pass, double width, double height) const override;
    QStringList dataControls() const override { return {QStringLiteral("Ad71")}; }
    void bind(PanelHost& host) override;
    // Reads which score table the figures came from and fills the teacher
    // chooser; without a teacher the panel is not shown and nothing is said.
    bool mayOpen() override;
    // Shows the first teacher.
    void load() override;
    void finish() override;

    // Handlers of the panel's controls.
    void Combo11_Click();
    void Ad71_MoveComplete();
    void Com71_Click();
    void Com72_Click();
    void Com74_Click();

private:
    platform::db::Recordset* teachers() const;
    // Runs `visit` on every teacher from the first, then goes back to the one shown.
    void walkTeachers(const std::function<void(platform::db::Recordset&)>& visit);
    QStringList classListsOf(const results::Assignment& a, const QStringList& subjects);

    PanelHost* host_ = nullptr;
    QLabel* Lab71 = nullptr;
    QLabel* Label7 = nullptr;
    QPlainTextEdit* Text8 = nullptr;
    QListWidget* List2 = nullptr;
    QListWidget* List3 = nullptr;
    QPushButton* Com74 = nullptr;
    QPushButton* Com71 = nullptr;
    QPushButton* Com72 = nullptr;
    QComboBox* Combo11 = nullptr;
    platform::db::DataControl* Ad71 = nullptr;
    // The assignments List2 shows, item by item.
    std::vector<results::Assignment> assignments_;
};
