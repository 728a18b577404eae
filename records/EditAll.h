#pragma once
// The record editor: one student's personal record, or every student of a
// list walked with 确定. Its own data control holds the register rows; the
// score table is reached by STID for a changed name or class.

#include "records/core/editor_rules.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace platform::db { class DataControl; class DataControlBar; class DataGrid; }

class EditAll : public QWidget {
    Q_OBJECT
public:
    explicit EditAll(QWidget* parent = nullptr);
    ~EditAll() override;

    void Form_Load();
    void Adodc1_MoveComplete();
    void Command1_Click();
    void Command2_Click();

    bool oneStudentMode() const { return oneStudent_; }
    QString YearPrefix;
    platform::db::DataControl& Adodc1();
    QString adodcCaption() const;
    // The listing as built, with its CR LF line ends.
    QString listing() const { return listing_; }

    // Leaving rules, also run by Enter before 确定.
    void leaveCompletion(QComboBox* combo);
    void leaveArea();
    void leaveBirthDate();

    QLineEdit* Textxm = nullptr;
    QLineEdit* Textlj = nullptr;
    QLineEdit* Textban = nullptr;
    QLineEdit* Textcs = nullptr;
    QRadioButton* Option1 = nullptr;   // 女
    QRadioButton* Option2 = nullptr;   // 男
    QComboBox* Combojg = nullptr;
    QComboBox* Combomz = nullptr;
    QComboBox* Combozz = nullptr;
    QComboBox* Combozhi = nullptr;
    QComboBox* Comboqy = nullptr;
    QLineEdit* Textdz = nullptr;
    QLineEdit* Textdh = nullptr;
    QLineEdit* Textjxm = nullptr;
    QComboBox* Combojzw = nullptr;
    QLineEdit* Textbz = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    platform::db::DataGrid* DataGrid1 = nullptr;
    platform::db::DataControlBar* Adodc1Bar = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void installHandlers();
    void pictureRule();
    void nameKey(int16_t& code);
    void birthKey(int16_t& code);
    QString section(QComboBox* combo) const;
    records::RecordBoxes boxes() const;
    void showBoxes(const records::RecordBoxes& b);

    bool oneStudent_ = false;
    QString listing_;
};
