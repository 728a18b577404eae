#pragma once
// The calculation panel of the main window (panel 5): the stored settings of
// a calculation, the previous-term database, and the run with its progress
// and stop button.

#include "grades/calc/core/calculation_run.h"
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
    void Command9_Click();    // 设为默认值
    void Com53_Click();       // 浏览
    void Te53_Change();
    void Command10_Click();   // 停止计算
    void Com51_Click();       // 开始计算

    // The stop flag of a run: set by 停止计算, cleared when a run starts.
    bool StopRequested = false;
    bool running() const { return running_; }
    // The panel's controls as the run reads them.
    CalculationInputs inputs() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class RunOnPanel;
    QWidget* control(const char* name) const;
    QLineEdit* edit(const char* name) const;
    QCheckBox* check(const char* name) const;

    PanelHost* host_ = nullptr;
    PanelControls controls_{nullptr, 0};
    platform::db::DataControl* Ad50 = nullptr;
    platform::db::DataControl* Ad51 = nullptr;
    bool running_ = false;
    bool closePending_ = false;
};
