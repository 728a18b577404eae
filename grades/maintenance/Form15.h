#pragma once
// 检查数据的完整性: walks 成绩表, empties ids that do not exist, stops where
// a grade level, class or name is missing so that the user fills it in, and
// gives every student without an id a new one. Modeless, owned by the main
// window; open to every user.

#include "grades/maintenance/core/integrity_check.h"

#include <QWidget>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace platform::db {
class DataControl;
class DataControlBar;
class DataGrid;
class Recordset;
}

class Form15 : public QWidget {
    Q_OBJECT
public:
    explicit Form15(QWidget* owner);
    ~Form15() override;

    // 数据 → 检查数据完整性: the open window is brought forward.
    static Form15* showFor(QWidget* owner);

    QLabel* Label1[3];
    QComboBox* Combo1;
    QComboBox* Combo2;
    QLineEdit* Text1;
    QPushButton* Command1;
    platform::db::DataControlBar* Adodc1Bar;
    platform::db::DataGrid* DataGrid1;
    platform::db::DataControl& Adodc1();

    void Form_Load();
    void Adodc1_MoveComplete();
    void Combo1_Click();
    void Command1_Click();

private:
    void showStop();
    // The window's set back on the row of `rowid`; false when it is gone.
    static bool walkBack(platform::db::Recordset& rs, qint64 rowid);
    void finished();

    std::vector<maintenance::CheckGrade> grades_;
    std::unique_ptr<maintenance::IntegrityWalk> walk_;
};
