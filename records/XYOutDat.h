#pragma once
// Saves the students of the main window's list as a text file.

#include <QWidget>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace platform::db { class DataControl; }

class XYOutDat : public QWidget {
    Q_OBJECT
public:
    explicit XYOutDat(QWidget* parent = nullptr);
    ~XYOutDat() override;

    void Form_Load();
    void Command1_Click();
    void Command2_Click();

    QLabel* Label1 = nullptr;
    QLineEdit* text1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    platform::db::DataControl* Adodc1 = nullptr;
};
