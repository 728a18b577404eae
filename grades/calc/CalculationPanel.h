#pragma once
// The calculation panel of the main window (panel 5): the settings of a
// calculation run and its progress.

#include "grades/frame/form2_panel.h"

#include <QObject>

class QCheckBox;
class QLineEdit;
class QRadioButton;

class CalculationPanel : public QObject, public Form2Panel {
    Q_OBJECT
public:
    int index() const override { return 5; }
    const std::vector<form2::ControlDesign>& designs() const override;
    void layout(form2::LayoutPass& pass, double width, double height) const override;
    QStringList dataControls() const override { return {QStringLiteral("Ad50"), QStringLiteral("Ad51")}; }
    void bind(PanelHost& host) override;
    // Shows the settings frame and fills it from 状态表.
    void load() override;
    void finish() override;

    // 计算提高率: the parts that ask for the earlier score database.
    void Check55_Click();

private:
    PanelHost* host_ = nullptr;
    PanelControls controls_{nullptr, 0};
    platform::db::DataControl* Ad50 = nullptr;
    platform::db::DataControl* Ad51 = nullptr;
};
