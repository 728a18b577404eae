#include "grades/results/core/band_graph.h"

#include "common/class_label.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/text/number_text.h"

#include <algorithm>

namespace bands {

QString subjectScoresQuery(const QString& entry, const QString& item, const QString& scoreTable,
                           const QStringList& tableFields) {
    // The item is typed text too: only a field of the table goes into the query.
    if (!tableFields.contains(item)) return {};
    // A grade label is 5 characters (2004级), a class label 8 (2004级01班).
    if (!isGradeLabel(entry) && !isClassLabel(entry)) return {};
    QString where = QStringLiteral(" where 年级=") + platform::db::quoteText(gradeOfLabel(entry));
    if (isClassLabel(entry)) where += QStringLiteral(" and 班=") + platform::db::quoteText(classOfLabel(entry));
    return QStringLiteral("select ") + platform::db::quoteName(item) + QStringLiteral(" from ") + scoreTable + where;
}

GraphData countBandScores(const platform::db::Recordset& scores, const BandTable& bands,
                          const QStringList& captions) {
    GraphData g;
    if (scores.recordCount() == 0) return g;
    std::vector<const ScoreBand*> counting;
    for (size_t b = 0; b < bands.size(); ++b) {
        if (bands[b].percent == 1) continue;
        counting.push_back(&bands[b]);
        g.labels << (b < size_t(captions.size()) ? captions[qsizetype(b)] : QString());
    }
    g.values.assign(counting.size(), 0.0f);
    for (int r = 0; r < scores.recordCount(); ++r) {
        const QVariant v = scores.valueAt(r, 0);
        const float s = v.isNull() ? 0.0f : v.toFloat();
        for (size_t k = 0; k < counting.size(); ++k)
            if (inBand(*counting[k], s)) g.values[k] += 1;
    }
    return g;
}

GraphData studentScores(const platform::db::Recordset& students, const QString& item) {
    GraphData g;
    const int name = students.fieldIndex(QStringLiteral("姓名"));
    const int field = students.fieldIndex(item);
    for (int r = 0; r < students.recordCount(); ++r) {
        const QVariant v = field < 0 ? QVariant() : students.valueAt(r, field);
        g.values.push_back(v.isNull() ? 0.0f : v.toFloat());
        g.labels << (name < 0 ? QString() : students.valueAt(r, name).toString());
    }
    return g;
}

ChartLayout layoutBandChart(const GraphData& data, ChartMode mode, const QString& item, int viewportWidth,
                            int viewportHeight) {
    ChartLayout l;
    const int n = data.count();
    if (n == 0 || n > kMostBars) {
        l.canvasWidth = viewportWidth;
        l.canvasHeight = viewportHeight;
        l.message = mode == ChartMode::Bands ? kBandGraphMessage : kStudentChartMessage;
        return l;
    }
    float most = 0;
    for (float v : data.values) most = std::max(most, v);
    float scale = 1;
    if (mode == ChartMode::Bands || item == QStringLiteral("总分"))
        scale = most > 0 ? 100.0f / most : 0.0f;   // nothing above 0: bars of no length

    l.canvasHeight = kRowPitch * n + kFirstBarTop;
    if (l.canvasHeight > viewportHeight) {
        l.scrollVisible = true;
        l.scrollMaximum = l.canvasHeight - viewportHeight + 50;
    } else {
        l.canvasHeight = viewportHeight + 400;
    }
    l.canvasLeft = -10;
    l.canvasWidth = viewportWidth;

    const float area = float(viewportWidth - kFreeBesideBars);
    for (int i = 0; i < n; ++i) {
        ChartBar b;
        b.top = kFirstBarTop + kRowPitch * i;
        b.length = scale * data.values[size_t(i)] / 100.0f * area;
        b.label = i < data.labels.size() ? data.labels[i] : QString();
        b.valueText = platform::NumberText(data.values[size_t(i)], platform::Precision::Single);
        b.valueLeft = float(kAxisX + kValueGap) + b.length;
        l.bars.push_back(b);
    }
    return l;
}

} // namespace bands
