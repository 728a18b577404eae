#pragma once
// The mark-entry panel of the main window (panel 8): every student's marks,
// by class or by exam room.

#include "grades/frame/form2_panel.h"

#include <QObject>

class MarkEntryPanel : public QObject, public Form2Panel {
    Q_OBJECT
public:
    int index() const override { return 8; }
    const std::vector<form2::ControlDesign>& designs() const override;
    void layout(form2::LayoutPass& pass, double width, double height) const override;
    QStringList dataControls() const override { return {QStringLiteral("Ad8")}; }
    void bind(PanelHost& host) override;
    void finish() override;

private:
    platform::db::DataGrid* DataGrid5 = nullptr;
    platform::db::DataControl* Ad8 = nullptr;
};
