#pragma once
// The results panel of the main window (panel 6): the students' scores by
// class or exam room, their averages and reports.

#include "grades/frame/form2_panel.h"

#include <QObject>

class QComboBox;

class ResultsPanel : public QObject, public Form2Panel {
    Q_OBJECT
public:
    int index() const override { return 6; }
    const std::vector<form2::ControlDesign>& designs() const override;
    void layout(form2::LayoutPass& pass, double width, double height) const override;
    QStringList dataControls() const override { return {QStringLiteral("Ad61")}; }
    void bind(PanelHost& host) override;
    // Fills the choosers still empty; with no student yet it says so and
    // goes back to the home panel.
    void load() override;
    void finish() override;

private:
    void fillChoosers();

    PanelHost* host_ = nullptr;
    QComboBox* Combo9 = nullptr;    // classes and grade levels
    QComboBox* Combo10 = nullptr;   // exam rooms
    QComboBox* Combo12 = nullptr;   // sort keys
    QComboBox* Combo13 = nullptr;   // line spacing
    QComboBox* Combo14 = nullptr;   // per line
    platform::db::DataGrid* DataGrid6 = nullptr;
    platform::db::DataControl* Ad61 = nullptr;
};
