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

    // The controls, named as the window's description names them; built by
    // Form_Load when the wizard runs.
    QLabel *Image1 = nullptr;
    std::array<QFrame*, 5> Frame1{};
    QPushButton *Command1 = nullptr, *Command14 = nullptr, *Command15 = nullptr, *Command16 = nullptr, *Command17 = nullptr;
    // Step 1
    QLabel *Label1 = nullptr, *Label6 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command12 = nullptr;
    // Step 2
    QLabel *Label2 = nullptr, *Label5 = nullptr;
    QComboBox *Combo1 = nullptr;
    QListWidget *List1 = nullptr;
    QPushButton *Command2 = nullptr, *Command3 = nullptr, *Command4 = nullptr;
    // Step 3
    QLabel *Label3 = nullptr, *Label7 = nullptr;
    QComboBox *Combo2 = nullptr;
    QListWidget *List2 = nullptr;
    QPushButton *Command7 = nullptr, *Command6 = nullptr, *Command5 = nullptr;
    // Step 4
    QLabel *Label4 = nullptr, *Label8 = nullptr;
    QListWidget *List3 = nullptr, *List4 = nullptr;
    QComboBox *Combo3 = nullptr;
    QPushButton *Command10 = nullptr, *Command9 = nullptr, *Command8 = nullptr;
    // Step 5
    QLabel *Label10 = nullptr, *Label9 = nullptr, *Label11 = nullptr, *Label12 = nullptr;
    QLineEdit *Text2 = nullptr, *Text3 = nullptr, *Text4 = nullptr;
    QPushButton *Command11 = nullptr;

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
