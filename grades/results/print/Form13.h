#pragma once
// 核对学生情况: a check list of chosen fields for one class or every class,
// several students to a line, saved as rich text.

#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace platform {
class RichTextBox;
}
namespace platform::db {
class DataControl;
}

class Form13 : public QWidget {
    Q_OBJECT
public:
    // Shows the one window owned by `owner`; brought forward while it is open.
    static Form13* showFor(QWidget* owner);

    explicit Form13(QWidget* owner);
    ~Form13() override;

    void Form_Load();
    void Command1_Click();   // 确定
    void BuildStudentCheckList();
    void Command2_Click();   // 另存

    QListWidget* List1 = nullptr;
    QComboBox* Combo1 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* Combo3 = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* Combo4 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    platform::RichTextBox* RichTextBox1 = nullptr;
    platform::db::DataControl* Adodc1 = nullptr;
    platform::db::DataControl* Adodc2 = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;   // Form_Resize

private:
    QString grade_;      // the class being listed
    QString class_;
    int lineCount_ = 0;
};
