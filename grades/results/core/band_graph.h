#pragma once
// The advanced view's bar charts: students counted per band (图像) and one
// bar per student (学生). Here the data and the layout in twips; the window
// paints what the layout says.

#include "grades/results/core/score_bands.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace bands {

// The bars of one chart, top to bottom.
struct GraphData {
    std::vector<float> values;
    QStringList labels;
    int count() const { return int(values.size()); }
};

enum class ChartMode { Bands = 1, Students = 2 };

// The band graph's query for a grade or class label; empty for any other text
// (所有班级), or when `item` is none of `tableFields`.
QString subjectScoresQuery(const QString& entry, const QString& item, const QString& scoreTable,
                           const QStringList& tableFields);
// Every counting band (per-cent bands are left out) with the number of the
// rows' scores it holds; a score may lie in several bands, a Null counts as 0.
// `scores` has the score in its only field.
GraphData countBandScores(const platform::db::Recordset& scores, const BandTable& bands,
                          const QStringList& captions);
// One bar per row in the set's order: 姓名 (empty when Null) and the field
// `item` (Null as 0).
GraphData studentScores(const platform::db::Recordset& students, const QString& item);

// Geometry of the chart, twips on the canvas unless said.
inline constexpr int kMostBars = 80;
inline constexpr int kRowPitch = 400;
inline constexpr int kFirstBarTop = 100;
inline constexpr int kBarHeight = 200;
inline constexpr int kAxisX = 1000;
inline constexpr int kFreeBesideBars = 1600;
inline constexpr int kValueGap = 10;

struct ChartBar {
    int top = 0;
    float length = 0;      // may be negative for a negative score
    QString label;         // at (0, top)
    QString valueText;     // at (valueLeft, top)
    float valueLeft = 0;
};

struct ChartLayout {
    // The canvas inside the viewport.
    int canvasLeft = 0, canvasTop = 0, canvasWidth = 0, canvasHeight = 0;
    bool scrollVisible = false;
    int scrollMinimum = 10, scrollMaximum = 10, smallStep = 200, largeStep = 1000;
    // Set instead of bars when there is nothing to draw or too much: the
    // canvas shows it on its second line.
    QString message;
    std::vector<ChartBar> bars;   // the axis runs at kAxisX from 0 to canvasHeight when there are bars
};

inline const QString kBandGraphMessage = QStringLiteral("请你只选择一个年级或者一班,并且分段数不要大于80个.");
inline const QString kStudentChartMessage = QStringLiteral("学生总数不要超过80个.");

// `item` is the text of the item list: the student chart of 总分 scales the
// best total to the full bar area, that of a subject or 平均分 draws 100
// marks that long. The band graph scales the largest count to it.
ChartLayout layoutBandChart(const GraphData& data, ChartMode mode, const QString& item, int viewportWidth,
                            int viewportHeight);

} // namespace bands
