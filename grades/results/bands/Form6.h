#pragma once
// The advanced view (高级查看): score bands typed in a small notation, counted
// for every class and grade level of the results view, shown as a
// fixed-column report that can be saved and printed, or as bar charts of the
// bands and of the students.

#include "grades/results/core/band_graph.h"
#include "grades/results/core/score_bands.h"

#include <QPointer>
#include <QWidget>
#include <cstdint>

class BandCanvas;
class PanelHost;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace platform::db {
class DataControl;
}
namespace results {
class ResultsChoosers;
}

class Form6 : public QWidget {
    Q_OBJECT
public:
    // Shows the one window owned by the main window; while it is open the
    // results view's 高级 stays disabled.
    static Form6* showFor(PanelHost& host);

    Form6(PanelHost& host, QWidget* owner);
    ~Form6() override;

    void Form_Load();
    void Form_Unload();
    void Command1_Click();   // 设置
    void Command2_Click();   // 报表
    void Command3_Click();   // 图像
    void Command4_Click();   // 学生
    void Command5_Click();   // 另存为
    void Command6_Click();   // 设为默认
    void Command7_Click();   // 打印
    void Command8_Click();   // 设定完成
    void Combo1_Click();
    void Combo2_Click();
    void VScroll1_Change();
    void LoadSubjectScores();
    void DrawBandGraph(int16_t mode);   // 1 band graph, 2 student chart
    void ClearReport();      // Check2, Option1, Combo3 and Text1 changes

    // The pane that a new class or item redraws: 2 report, 3 band graph, 4 student chart.
    int16_t ActiveView = 0;

    QPushButton* Command[9] = {};
    QFrame* Frame1[7] = {};
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QComboBox* Combo3 = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    QPlainTextEdit* Text2 = nullptr;
    QCheckBox* Check2[7] = {};
    QRadioButton* Option1[2] = {};
    QWidget* Picture1 = nullptr;      // the graph's viewport
    BandCanvas* Picture2 = nullptr;   // the chart, moved up and down inside it
    QScrollBar* VScroll1 = nullptr;   // its value in twips scrolled
    platform::db::DataControl* Adodc1 = nullptr;
    platform::db::DataControl* Adodc2 = nullptr;

    // The figures of the last 设定完成, one slot per class entry but the last.
    const std::vector<bands::EntryFigures>& filed() const { return filed_; }
    const bands::BandTable& bandTable() const { return table_; }
    // The bars of the last 图像 or 学生.
    const bands::GraphData& graph() const { return graph_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void showPane(int index);
    QString notationText() const;   // Text1 with CR LF breaks
    QString reportText() const;     // Text2 with CR LF breaks
    bands::ReportLayout layout() const;
    QStringList scoreFields() const;

    PanelHost& host_;
    // The results view, held while the window is open; the guard tells
    // whether the view is still there when the window goes after it.
    results::ResultsChoosers* view_ = nullptr;
    QPointer<QObject> viewAlive_;
    bands::BandTable table_;
    QStringList captions_;
    std::vector<bands::EntryFigures> filed_;
    bands::GraphData graph_;
};
