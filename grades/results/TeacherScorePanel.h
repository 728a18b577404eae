#pragma once
// The teacher-score panel of the main window (panel 7): each teacher's
// assessment score from the last calculation.

#include "grades/frame/form2_panel.h"

#include <QObject>

class QComboBox;

class TeacherScorePanel : public QObject, public Form2Panel {
    Q_OBJECT
public:
    int index() const override { return 7; }
    const std::vector<form2::ControlDesign>& designs() const override;
    void layout(form2::LayoutPass& pass, double width, double height) const override;
    QStringList dataControls() const override { return {QStringLiteral("Ad71")}; }
    void bind(PanelHost& host) override;
    // Fills the teacher chooser before the panel shows; without a teacher
    // the panel is not shown and nothing is said.
    bool mayOpen() override;
    void finish() override;

private:
    PanelHost* host_ = nullptr;
    QComboBox* Combo11 = nullptr;
    platform::db::DataControl* Ad71 = nullptr;
};
