#pragma once
// The exam-number panel of the main window (panel 3): the builder of the
// school's exam numbers and the viewer of those built.

#include "grades/frame/form2_panel.h"

#include <QObject>

class ExamNumberPanel : public QObject, public Form2Panel {
    Q_OBJECT
public:
    int index() const override { return 3; }
    const std::vector<form2::ControlDesign>& designs() const override;
    void layout(form2::LayoutPass& pass, double width, double height) const override;
    QStringList dataControls() const override { return {QStringLiteral("Ad3"), QStringLiteral("Ad32")}; }
    void bind(PanelHost& host) override;
    // Brings the home panel back first, then lets go of the viewer.
    void finish() override;

private:
    PanelHost* host_ = nullptr;
    platform::db::DataGrid* DataGrid3 = nullptr;
    platform::db::DataControl* Ad3 = nullptr;
    platform::db::DataControl* Ad32 = nullptr;
};
