#pragma once
// The shared window Form8. With its design caption it is the workflow help:
// a diagram of one examination's steps, each explained when the mouse passes
// over it. The raw table editor uses the same window with another caption.

#include "grades/frame/workflow_diagram.h"

#include <QDialog>
#include <map>

class QLabel;
class QPushButton;
class QScrollBar;

namespace platform::db { class DataGrid; }

class Form8 : public QDialog {
    Q_OBJECT
public:
    // While the caption is this one the window is in help mode.
    static inline const QString kHelpCaption = QStringLiteral("Orbisca帮助");

    explicit Form8(QWidget* owner = nullptr);

    bool isHelpMode() const { return windowTitle() == kHelpCaption; }
    QPushButton* stepButton(int index) const;
    const frame::HelpGeometry& helpGeometry() const { return help_; }

    // Help mode.
    QWidget* Picture1;           // the viewport
    QWidget* Frame1_0;           // the diagram canvas, moved inside the viewport to scroll
    QLabel* Label1;              // the explanation of the step under the mouse
    QLabel* Label2_0;            // the title
    QLabel* Label3;              // 新的考试开始
    QLabel* Label4;              // what the arrow colours mean
    std::map<int, QPushButton*> Command1;
    QScrollBar* HScroll1;
    QScrollBar* VScroll1;
    // Edit mode.
    platform::db::DataGrid* DataGrid1;

    void Command1_MouseMove(int index);
    void Command1_MouseDown(int index);
    void Command1_MouseUp(int index);
    void HScroll1_Change();
    void VScroll1_Change();
    void Form_Resize();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void applyHelpGeometry();

    frame::HelpGeometry help_;
    frame::EditGeometry edit_;
};

// 使用流程: the workflow window, modal over `owner`, while the home panel is
// showing; anywhere else the help file, as F1 opens it.
void ShowWorkflowOrHelp(QWidget* owner, bool homePanelVisible);
