#pragma once
// 导出数据到文本文件: a score table, a grade level, a class or the user's own
// query, previewed in a grid and written as tab-separated text.

#include <QString>
#include <QWidget>

class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace platform::db {
class DataControl;
class DataGrid;
}

class Form16 : public QWidget {
    Q_OBJECT
public:
    // The one window owned by `owner`, created and loaded on first use, only
    // brought to the front while it is open.
    static Form16* showFor(QWidget* owner);

    explicit Form16(QWidget* owner);
    ~Form16() override;

    void Form_Load();
    void Option1_Click(int index);
    void Combo1_Click();
    // False when the query was refused or failed (the message was shown).
    bool Command1_Click();   // 预览
    void Command2_Click();   // 导出

    QComboBox* Combo1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QRadioButton* Option1[3] = {};
    QLabel* Label1 = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    platform::db::DataGrid* DataGrid1 = nullptr;
    platform::db::DataControl* Adodc1 = nullptr;

private:
    QString tableName_;
    QString gradeId_;
    QString classId_;
};

// 文件 → 导出到文本文件.
void menuOUTtxt_Click(QWidget* owner);
