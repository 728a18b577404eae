#pragma once
// 自定义打印: a rich-text template with field marks, filled once per record of
// a class, a grade level, the school or a typed query into an editable
// preview that can be saved, opened and printed.

#include <QDialog>
#include <QPoint>

class PanelHost;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QAction;
class QPushButton;
class QRadioButton;

namespace platform {
class RichTextBox;
}
namespace platform::db {
class DataControl;
}

class Form11 : public QDialog {
    Q_OBJECT
public:
    Form11(PanelHost& host, QWidget* owner);
    ~Form11() override;

    void Form_Load();
    void Option1_Click(int index);
    void Combo1_Click();
    void Text1_KeyPress(int16_t& keyAscii);
    void List1_Click();
    void Command1_Click();   // 预览

    // The pop-up menu: prepared for the editor under the mouse, then shown.
    void prepareMenu(platform::RichTextBox* editor);
    void RichTextBox1_MouseUp(Qt::MouseButton button, const QPoint& pos);
    void RichTextBox2_MouseUp(Qt::MouseButton button, const QPoint& pos);
    void MenuAll_Click();
    void MenuCut_Click();
    void MenuCopy_Click();
    void MenuPase_Click();
    void MenuFont_Click();
    void MenuSave_Click();
    void MenuOpen_Click();
    void MenuPrint_Click();
    void MenuWin_Click();

    // The editor the commands act on: the template while the design pane shows.
    platform::RichTextBox* activeEditor() const;

    QWidget* Frame1[2] = {};
    QPushButton* Command1 = nullptr;
    QRadioButton* Option1[2] = {};
    QComboBox* Combo1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QListWidget* List1 = nullptr;
    platform::RichTextBox* RichTextBox1 = nullptr;
    QLabel* Label1 = nullptr;
    platform::RichTextBox* RichTextBox2 = nullptr;

    QMenu* MenuMain = nullptr;
    QAction* MenuAll = nullptr;
    QAction* MenuCut = nullptr;
    QAction* MenuCopy = nullptr;
    QAction* MenuPase = nullptr;
    QAction* MenuFont = nullptr;
    QAction* MenuSave = nullptr;
    QAction* MenuOpen = nullptr;
    QAction* MenuPrint = nullptr;
    QAction* MenuWin = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;   // Form_Resize

private:
    void showSource();   // count and field names of the open source
    bool openSource(const QString& source, bool typed);

    PanelHost& host_;
    platform::db::DataControl& source_;   // the main window's Adodc1
};

namespace results {
// 文件 → 自定义打印: finishing work of the visible panel, then the modal window.
void MenuPrintZDY_Click(PanelHost& host);
}
