#pragma once
// 导入外部数据: copies the rows of a table of another database file into
// 成绩表 or 教师表. The user opens the file, picks one of its tables, pairs
// its fields with ours by hand, may limit the rows by a condition, and
// imports by name. The source file is only read; the run lives in
// grades/maintenance/core/external_import.

#include "grades/maintenance/core/external_import.h"

#include <QWidget>
#include <memory>

class PanelHost;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
namespace platform::db {
class Database;
class ForeignDatabase;
}

class Form10 : public QWidget {
    Q_OBJECT
public:
    Form10(PanelHost& host, QWidget* owner);
    ~Form10() override;

    QLabel* Label1[5];
    QLineEdit* Text1;
    QPushButton* Command1;
    QPushButton* Command3;
    QListWidget* List1;
    QListWidget* List2;
    QComboBox* Combo1;
    QListWidget* List3;
    QLineEdit* Text2;
    QLineEdit* Text3;
    QPushButton* Command4;
    QPushButton* Command5;
    QLineEdit* Text4;
    QRadioButton* Option1[2];
    QCheckBox* Check2;
    QPushButton* Command2;

    // Window state
    QString SourceKind;                 // "mdb" once a database file is opened, "xls" for a spreadsheet
    QStringList TargetFieldNames;
    QStringList PairedSourceFields;     // one per target field, "" = none
    maintenance::ImportCounters Counters;
    maintenance::CheckState Current;    // CurrentGrade, CurrentClass of the record check

    void Form_Load();
    void Command1_Click();
    void Command3_Click();
    void List1_Click();
    void List2_Click();
    void List3_Click();
    void Combo1_Click();
    void Command4_Click();
    void Command5_Click();
    void Command2_Click();

    // Whether CurrentGrade is a grade level, and CurrentGrade with CurrentClass a class.
    bool JClj() const;
    bool JCban() const;

    QString GradeListText() const { return Counters.gradeListText(); }
    QString ClassListText() const { return Counters.classListText(); }

    // 数据 → 导入外部数据 of the main window.
    static void menuin2_Click(PanelHost& host);

private:
    PanelHost& host_;
    std::shared_ptr<platform::db::Database> target_;
    std::unique_ptr<platform::db::ForeignDatabase> source_;
    QString sourceTable_;               // the table chosen in List1
};
