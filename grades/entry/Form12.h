#pragma once
// 高级学生管理: a modeless window beside the main window for reworking the
// students of one class. Its work is done by entry::StudentManager.

#include "grades/entry/core/student_manager.h"

#include <QWidget>
#include <cstdint>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace platform::db {
class DataControl;
class DataControlBar;
class DataGrid;
}

class Form12 : public QWidget {
    Q_OBJECT
public:
    // `owner` is the main window; its class chooser (Combo1) names the class
    // to start with when it has one.
    explicit Form12(QWidget* owner);
    ~Form12() override;

    // Shows the window, creating it on first use; an open window is only brought forward.
    static Form12* showFor(QWidget* owner);

    entry::StudentManager& manager() { return manager_; }
    platform::db::DataControlBar* adodc1Bar() const { return adodc1Bar_; }

    void Form_Load();
    void Combo1_Click();
    void Command7_Click();   // 确定
    void Command3_Click();   // 增加
    void Command5_Click();   // 转到
    void Command2_Click();   // 查找
    void Command1_Click();   // 转入本班
    void Text1_KeyPress(int16_t& keyAscii);
    void Text2_KeyPress(int16_t& keyAscii);
    void Adodc1_MoveComplete();

    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLabel* Label5 = nullptr;
    QListWidget* List1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* Command6 = nullptr;
    QPushButton* Command7 = nullptr;
    platform::db::DataGrid* DataGrid1 = nullptr;

private:
    platform::db::DataControlBar* adodc1Bar_;   // Adodc1 with its move buttons, under the grid

public:
    platform::db::DataControl* Adodc1;

private:
    void refuse(const QString& text);
    void say(entry::StudentManager::Outcome outcome);

    entry::StudentManager manager_;
};
