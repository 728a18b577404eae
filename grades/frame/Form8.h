#pragma once
// The shared window Form8. With its design caption it is the workflow help:
// a diagram of one examination's steps, each explained when the mouse passes
// over it. The raw table editor uses the same window with another caption.

#include "grades/frame/workflow_diagram.h"

#include <QDialog>
#include <cstdint>
#include <map>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QScrollBar;

namespace platform::db {
class DataControl;
class DataGrid;
}

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
    // Edit mode: five tables edited cell by cell through the main window's
    // general data control.
    platform::db::DataGrid* DataGrid1;
    QComboBox* Combo1;            // the table chooser
    QMenu* MenuKJ;                // the table menu, on the grid's caption strip
    QAction* MenuCJB;
    QAction* MenuBJB;
    QAction* MenuLJB;
    QAction* MenuJSB;
    QAction* MenuZTB;

    void setEditSource(platform::db::DataControl* adodc1) { Adodc1 = adodc1; }
    void Form_Activate();
    void Combo1_Click();
    void DataGrid1_KeyHandler(int16_t& keyCode, int16_t& shift);
    void DataGrid1_MouseHandler(int button, int shift, int x, int y);

    void Command1_MouseMove(int index);
    void Command1_MouseDown(int index);
    void Command1_MouseUp(int index);
    void HScroll1_Change();
    void VScroll1_Change();
    void Form_Resize();

    // Edit mode: the cell typed and the row edited are stored before the
    // window closes or shows another table; false keeps the window as it is
    // (the message was shown).
    bool storeEdit();
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void applyHelpGeometry();
    void chooseTable(const QString& table);

    platform::db::DataControl* Adodc1 = nullptr;

    frame::HelpGeometry help_;
    frame::EditGeometry edit_;
};

// 使用流程: the workflow window, modal over `owner`, while the home panel is
// showing; anywhere else the help file, as F1 opens it.
void ShowWorkflowOrHelp(QWidget* owner, bool homePanelVisible);
