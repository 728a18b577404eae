#pragma once
// 分班: re-forming the classes of one grade level. Three views in one
// modeless window: the planning view (classes to pool, the plan of the
// classes to be), the manual view in the plan editor's place, and the
// adjustment view with the write-back. The work is done by
// maintenance::division; the lists are built from its records.

#include "grades/maintenance/core/class_division.h"

#include <QWidget>
#include <array>
#include <memory>

class PanelHost;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QToolButton;
class RandomSource;
namespace platform::db { class Database; }

namespace maintenance {

// 特殊 → 分班: administrator only; finishes the visible panel first.
void fenban_Click(PanelHost& host);

class Form7 : public QWidget {
    Q_OBJECT
public:
    explicit Form7(QWidget* owner);
    ~Form7() override;

    // Shows the window, creating it on first use; an open window is only brought forward.
    static Form7* showFor(QWidget* owner);

    // Where 随机分班 draws its keys; none: a source seeded from the clock for each division.
    void useRandomSource(RandomSource* source) { random_ = source; }

    bool DivisionPending = false;

    void Form_Load();
    void List1_Click();
    void Command4_Click();          // build the plan
    void Check1_Click();
    void List2_Click();
    void Command1_Click();          // 新增班
    void Command5_Click();          // 确定
    void Command2_Click();          // 减少班
    void Picture1_Click(int index); // previous / next line
    void Picture2_Click();
    void UpdateRemainingCount();
    void Command3_Click();          // 开始分
    void DivideByClassType();
    void StartManualDivision();
    void Command11_Click();         // 下一个
    void Command10_Click();         // 分班完成 (manual)
    void Command9_Click();          // 重新设置
    void ShowDivisionSummary();
    void ShowClassStudents();
    void Command6_Click();          // move the selected students
    void Command7_Click();          // 重新设定
    void Command8_Click();          // 分班完成
    void Command12_Click();         // 取消分班

    const division::DivisionPlan& plan() const { return plan_; }
    const std::vector<division::DivisionStudent>& students() const { return jl_; }
    const std::vector<division::DivisionClass>& classes() const { return banj2_; }

    std::array<QFrame*, 2> Frame1{};
    std::array<QGroupBox*, 3> Frame2{};
    QLabel* Label2 = nullptr;
    QListWidget* List1 = nullptr;
    QPushButton* Command4 = nullptr;
    QLabel* Label4 = nullptr;
    QCheckBox* Check1 = nullptr;
    std::array<QRadioButton*, 4> Option1{};
    QLabel* Picture2 = nullptr;
    std::array<QFrame*, 3> Line1{};
    QLabel* Label3 = nullptr;
    QListWidget* List2 = nullptr;
    std::array<QLabel*, 5> Label1{};
    std::array<QLineEdit*, 2> Text1{};
    QComboBox* Combo1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command5 = nullptr;
    std::array<QToolButton*, 2> Picture1{};
    QPushButton* Command3 = nullptr;
    // manual view
    QLabel* Label7 = nullptr;
    std::array<QLabel*, 2> Label8{};
    QComboBox* Combo3 = nullptr;
    QPushButton* Command11 = nullptr;
    QPushButton* Command10 = nullptr;
    QPushButton* Command9 = nullptr;
    // adjustment view
    QLabel* Label6 = nullptr;
    QListWidget* List4 = nullptr;
    QListWidget* List3 = nullptr;
    std::array<QLabel*, 2> Label5{};
    QComboBox* Combo2 = nullptr;
    QPushButton* Command6 = nullptr;
    QPushButton* Command7 = nullptr;
    QPushButton* Command8 = nullptr;
    QPushButton* Command12 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPlanningView();
    void buildManualView();
    void buildAdjustmentView();
    void fillPlanList();
    void selectPlanLine(int index);
    void showManualStudent(int index);
    void endManualPass();
    void openAdjustmentView();
    division::Rule chosenRule() const;
    bool writeDivision();
    void say(const QString& text);

    std::shared_ptr<platform::db::Database> db_;
    RandomSource* random_ = nullptr;
    std::vector<division::ClassEntry> classes_;   // the lines of List1
    division::DivisionPlan plan_;                 // the lines of List2
    std::vector<division::DivisionClass> banj2_;
    std::vector<division::DivisionStudent> jl_;
    std::vector<division::ClassEntry> dividedClasses_;   // the ticks as they stood at 开始分
    QString DivisionGrade;
    int ManualCursor = -1;   // index into jl_ of the student on show
    bool loadingLine_ = false;
};

} // namespace maintenance
