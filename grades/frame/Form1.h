#pragma once
// The start-up window: hands over to the main window when the program is set up
// (system.txt exists), otherwise runs the five-step setup wizard "数据初始化".

#include <QWidget>
#include <array>
#include <functional>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);

    // Opens the main window; set once by the program before Form_Load.
    static void setMainWindowOpener(std::function<void()> opener);

    // Dispatch: hands over at once when system.txt exists, else prepares the wizard.
    void Form_Load();
    bool wizardPrepared() const { return wizardPrepared_; }
    int WizardStep() const { return wizardStep_; }

    void Command1_Click();   // 帮助
    void Command2_Click();   // subjects: 添加
    void Command3_Click();   //           删除
    void Command4_Click();   //           清除
    void Command5_Click();   // grades:   清除
    void Command6_Click();   //           删除
    void Command7_Click();   //           添加
    void Command8_Click();   // classes:  清除
    void Command9_Click();   //           删除
    void Command10_Click();  //           添加
    void Command11_Click();  // 浏览
    void Command12_Click();  // use an existing database
    void Command14_Click();  // 取消
    void Command15_Click();  // 上一步
    void Command16_Click();  // 下一步
    void Command17_Click();  // 完成

    void CreateNewDatabase();
    void UseExistingDatabase();

    // The controls, named as the window's description names them.
    QLabel* Image1;
    std::array<QFrame*, 5> Frame1{};
    QPushButton *Command1, *Command14, *Command15, *Command16, *Command17;
    // Step 1
    QLabel *Label1, *Label6;
    QLineEdit* Text1;
    QPushButton* Command12;
    // Step 2
    QLabel *Label2, *Label5;
    QComboBox* Combo1;
    QListWidget* List1;
    QPushButton *Command2, *Command3, *Command4;
    // Step 3
    QLabel *Label3, *Label7;
    QComboBox* Combo2;
    QListWidget* List2;
    QPushButton *Command7, *Command6, *Command5;
    // Step 4
    QLabel *Label4, *Label8;
    QListWidget *List3, *List4;
    QComboBox* Combo3;
    QPushButton *Command10, *Command9, *Command8;
    // Step 5
    QLabel *Label10, *Label9, *Label11, *Label12;
    QLineEdit *Text2, *Text3, *Text4;
    QPushButton* Command11;

private:
    void buildControls();
    void showStep(int step);
    void handOver();
    void limitTypedLength(QLineEdit* edit, int maxLength);
    void rewriteSubjectCount();
    void rewriteGradeCount();
    void rewriteClassCount();

    int wizardStep_ = 0;
    bool wizardPrepared_ = false;
    QString fileDialogFolder_;
};
