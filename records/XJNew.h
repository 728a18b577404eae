#pragma once
// The register update window: brings 学籍表 in line with 成绩表 after students
// were added, removed, renamed or moved in the grade program.

#include <QWidget>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

namespace platform::db { class Database; }

class XJNew : public QWidget {
    Q_OBJECT
public:
    explicit XJNew(QWidget* parent = nullptr);
    ~XJNew() override;

    void Form_Load();
    void Command1_Click();

    QLabel* Label1 = nullptr;
    QPushButton* Command1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

private:
    std::shared_ptr<platform::db::Database> db_;
};
