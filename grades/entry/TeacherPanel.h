#pragma once
// The teacher panel of the main window (panel 2): the teachers and the
// classes and subjects each of them teaches.

#include "grades/frame/form2_panel.h"

#include <QObject>

class TeacherPanel : public QObject, public Form2Panel {
    Q_OBJECT
public:
    int index() const override { return 2; }
    const std::vector<form2::ControlDesign>& designs() const override;
    void layout(form2::LayoutPass& pass, double width, double height) const override;
    QStringList dataControls() const override { return {QStringLiteral("Ad2")}; }
    void bind(PanelHost& host) override;
    // Closes up every teacher's assignment slots, in one transaction.
    void finish() override;

private:
    PanelHost* host_ = nullptr;
    platform::db::DataGrid* DataGrid2 = nullptr;
    platform::db::DataControl* Ad2 = nullptr;
};
