#pragma once
// The exam-number panel of the main window (panel 3): the builder of the
// school's exam numbers, with its composition boxes, crossing methods, room
// size and 只编写 switch, and the viewer of those built.

#include "grades/examno/core/exam_number_builder.h"
#include "grades/examno/exam_numbers.h"
#include "grades/frame/form2_panel.h"

#include <QElapsedTimer>
#include <QObject>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class ExamNumberPanel : public QObject, public Form2Panel, public examno::ExamNumbers {
    Q_OBJECT
public:
    int index() const override { return 3; }
    const std::vector<form2::ControlDesign>& designs() const override;
    void layout(form2::LayoutPass& pass, double width, double height) const override;
    QStringList dataControls() const override { return {QStringLiteral("Ad3"), QStringLiteral("Ad32")}; }
    void bind(PanelHost& host) override;
    bool offers(const std::type_info& service) const override { return service == typeid(examno::ExamNumbers); }
    // Chooses the viewer when exam numbers exist, else the builder.
    bool mayOpen() override;
    // Loads the room sizes, the targets and the stored choices.
    void load() override;
    // Brings the home panel back first, then lets go of the viewer.
    void finish() override;

    void Check1_Click(int index);
    void Check2_Click();
    void Com31_Click();
    void Com32_Click();

    // The viewer.
    void FillExamNumberViewFilter();
    void Combo6_Click();
    void Ad32_MoveComplete();
    void Tekh1_KeyPress(int16_t& keyAscii);
    void Comkh1_Click();   // 完成
    void Comkh2_Click();   // 打印考号
    void Comkh3_Click();   // 重新编写
    void Comkh4_Click();   // 导出数据

    // What other windows ask of the panel.
    std::function<QString()> viewerGroup() const override;
    void exportByClass() override;

    // The composition and the crossing method the boxes choose now.
    examno::Composition composition() const;
    examno::CrossingMethod crossingMethod() const;

private:
    void loadStoredChoices();
    void list(const QString& query, const QString& sort);
    void showProgress(const QString& text);

    PanelHost* host_ = nullptr;
    QGroupBox* Frame4_0 = nullptr;
    QGroupBox* Frame4_1 = nullptr;
    QCheckBox* Check1[5] = {};
    QCheckBox* Check2 = nullptr;
    QComboBox* Combo5 = nullptr;
    QComboBox* Combo15 = nullptr;
    QRadioButton* Option[3] = {};
    QLabel* La33 = nullptr;
    QLabel* La35 = nullptr;
    QPushButton* Com31 = nullptr;
    QPushButton* Com32 = nullptr;
    platform::db::DataGrid* DataGrid3 = nullptr;
    platform::db::DataControl* Ad3 = nullptr;
    platform::db::DataControl* Ad32 = nullptr;
    QRadioButton* Option4 = nullptr;
    QRadioButton* Option5 = nullptr;
    QComboBox* Combo6 = nullptr;
    QLineEdit* Tekh1 = nullptr;
    QPushButton* Comkh[4] = {};
    // The progress line is painted at most every 50 ms: a build of the whole
    // school would otherwise spend its time painting.
    QElapsedTimer painted_;
    QString progressText_;
};
