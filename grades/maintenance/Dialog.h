#pragma once
// The small modal window through which the class and grade-level commands
// ask for one class or one grade level. The caller fills the lists, sets the
// caption, shows one of the four frames and runs it, then reads answerText()
// ("" when cancelled). It touches no table.

#include <QDialog>
#include <QString>

class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

class Dialog : public QDialog {
    Q_OBJECT
public:
    // The four input frames, by task.
    enum Task { AddGrade = 0, DeleteClass = 1, AddClass = 2, DeleteGrade = 3 };

    explicit Dialog(QWidget* owner);

    // Hides every frame, then shows the task's one.
    void showFrame(Task task);
    // The class or grade level given, "" when cancelled or closed.
    const QString& answerText() const { return answer_; }

    QListWidget* List1;
    QGroupBox* Frame1[4];
    QComboBox* Combo1;   // add a class: grade id
    QComboBox* Combo2;   // add a class: class id
    QComboBox* Combo3;   // add a grade level: grade id
    QLabel* Label3;
    QLabel* Label5;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QPushButton* CancelButton;

    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void CancelButton_Click();

private:
    void answer(const QString& text);
    QString answer_;
};
