#pragma once
// 从文本文件中导入数据: three pages over one window. Page 1 opens a GBK text
// file and sets the separators and the header line, page 2 pairs its columns
// with the fields of 成绩表 and chooses the keys that find a student, page 3
// runs the import line by line, pausing for a pick where a line does not
// name one student.

#include "grades/maintenance/core/text_import.h"

#include <QWidget>
#include <memory>

class PanelHost;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QLineEdit;
class QPushButton;
class QRadioButton;
namespace platform::db {
class DataControl;
class DbError;
class DataGrid;
}

class Form14 : public QWidget {
    Q_OBJECT
public:
    explicit Form14(QWidget* owner);
    ~Form14() override;

    // Page 1
    QGroupBox* Frame1[3];
    QLabel* Label1;
    QPushButton* Command1;
    QLabel* Label2;
    QPlainTextEdit* Text1;
    QLabel* Label3;
    QComboBox* Combo1;
    QLabel* Label4;
    QComboBox* Combo2;
    QLabel* Label5;
    QComboBox* Combo3;
    QPushButton* Command2;
    QPushButton* Command3;
    // Page 2
    QListWidget* List1;
    QLabel* Label6;
    QLineEdit* Text2;
    QListWidget* List2;
    QGroupBox* Frame3;
    QCheckBox* Check1;
    QCheckBox* Check2;
    QCheckBox* Check3;
    QCheckBox* Check4;
    QCheckBox* Check5;
    QGroupBox* Frame2;
    QRadioButton* Option1[3];
    QPushButton* Command4;
    QPushButton* Command5;
    QPushButton* Command6;
    platform::db::DataControl* Adodc1;
    // Page 3
    QLabel* Label7;
    QLabel* Label8;
    QLabel* Label9;
    platform::db::DataGrid* DataGrid1;
    QPushButton* Command7;
    QPushButton* Command8;
    QPushButton* Command9;
    QLineEdit* Text3;

    // Window state
    QString SourceFileName;
    QString FieldSeparator;
    QString RecordSeparator;
    std::vector<maintenance::ColumnPairing> ColumnPairings;
    std::array<qint64, 6> KeyColumn{-1, -1, -1, -1, -1, -1};
    qint64 LinesConsumed = 0;
    int16_t RunHalted = 0;

    void Form_Load();
    void Command1_Click();
    bool ApplyImportSettings();
    void Command2_Click();
    void Command3_Click();
    void List1_Click();
    void List2_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void DataGrid1_RowHandler();
    void RunTextImport(qint64& ChosenRow);

    // The page shown (0-2).
    int currentPage() const;
    // True while RunTextImport is on the stack.
    bool isRunning() const { return running_; }
    // The log of the run, in the program folder.
    static QString logPath();

    // 数据 > 导入文本 of the main window.
    static void menuin3_Click(PanelHost& host);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showPage(int page);
    void stopRun();
    // Takes the lines until the end (true), a pause, a stop or the window's
    // end (false); a DbError is a write the file refused.
    bool runLines(maintenance::TextImportRun& run, qint64& ChosenRow, const bool& destroyed);
    // What the end of a run leaves: 开始, no labels, no 继续, the grid let go.
    void endRun();
    // The run ended by a file that refused it; the next 开始 goes on at
    // the first line not stored (LinesConsumed), which the message names.
    void refused(const platform::db::DbError& e);
    void showRows(const QString& conditions, const QVariantList& values);
    void showWholeSchool();
    qint64 rowIdAtPosition(qint64 position);
    maintenance::ImportPlan plan() const;
    QString progressText(qint64 lineNumber, const QString& line) const;

    QString dialogFileName_;
    QString acceptedFieldSeparator_;
    qint64 acceptedHeaderLine_ = 1;
    maintenance::ImportCounts counts_;   // since 开始, over every resume
    bool running_ = false;
    bool closeWhenStopped_ = false;
    bool* destroyed_ = nullptr;
};
