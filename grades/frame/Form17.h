#pragma once
// Naming another database for the next start. Only system.txt changes: the
// running program stays on the database it started with until it is restarted.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The message that refuses `path` as the next database, or "" when it may be
// used: it must name an existing file with the school's scro.dat beside it.
QString databasePathRefusal(const QString& path);

class Form17 : public QDialog {
    Q_OBJECT
public:
    // Modeless and owned by `owner` (the main window), centred on it.
    explicit Form17(QWidget* owner);

    // 打开其他库: shows the window, or brings forward the one already open for `owner`.
    static Form17* showFor(QWidget* owner);

    QLabel* Label1;
    QLineEdit* Text1;
    QPushButton* Command3;   // 浏览
    QPushButton* Command1;   // 确定
    QPushButton* Command2;   // 取消

    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
};
