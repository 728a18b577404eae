#pragma once
// Score bands of the advanced view: the small notation a teacher types
// ("(-30)", "[60-)", "(0-60)%"), the saved options, the figures per class
// entry and the fixed-column report built from them. Nothing here needs a
// screen; Form6 puts the texts into its boxes.

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

namespace platform::db {
class Recordset;
}

namespace bands {

// One band; -1 marks an open end and is compared exactly.
struct ScoreBand {
    float lower = -1;
    float lowerInclusive = 0;
    float upper = -1;
    float upperInclusive = 0;
    float percent = 0;
    bool operator==(const ScoreBand&) const = default;
};
using BandTable = std::vector<ScoreBand>;

// The notation shown until the teacher saves his own: six commented lines, CR LF each.
QString builtInBandNotation();
inline const QString kBandNotationFileName = QStringLiteral("分段查看.txt");
inline const QString kOldRequirementsFileName = QStringLiteral("高级要求");

// Any text parses; a line that gives no usable band is dropped.
BandTable ParseBandNotation(const QString& text);
bool inBand(const ScoreBand& band, float score);
// "30分以下人数", "30-60分人数", "0-60分百分率" ... padded to 17 columns.
QStringList BuildBandCaptions(const BandTable& bands);

// The options kept in row 36 of 状态表.
struct BandOptions {
    std::array<bool, 7> checks{};   // 显示最高分 .. 显示教师姓名, 零分不作最低分
    bool horizontal = true;         // 横向比较, else 纵向比较
    int spacing = 1;
};
// "1111111101": the ticks, the layout, the spacing held to 0..99 so the row keeps ten characters.
QString bandOptionsText(const BandOptions& options);
// Reads any text; an empty one unticks all, chooses 纵向比较 and spacing 0.
BandOptions readBandOptions(const QString& text);
// The line spacing as typed: nearest whole number, at most 99 (negative stays negative).
int typedSpacing(const QString& text);

// The class query of one entry of the class list.
struct ClassQuery {
    QString gradeId, classId;   // both empty unless the entry is a grade or class label
    QString sql;
};
// `orderBy` goes into the text only when it is one of `tableFields`.
ClassQuery LoadClassBySubject(const QString& entry, const QString& scoreTable, const QString& orderBy,
                              const QStringList& tableFields);

// Figures of one entry: item 0 平均分, item i the i-th subject.
struct EntryFigures {
    std::vector<float> bandCounts;   // item i, band b at i*B + b
    std::vector<float> figures;      // item i at 5i..5i+4: highest, lowest, average, total, count
    QStringList teachers;            // one per item
};
// All-zero figures of `items` items; what an entry without students files.
EntryFigures emptyFigures(int items, int bandCount);
// Over every row of `scores`, items from its field 平均分 to the last field.
// `teacherRow` is the entry's row of 班级表 from its third field on, empty
// for a grade level or a class without a row (a null cell is a null QVariant).
EntryFigures ComputeBandStatistics(const platform::db::Recordset& scores, const BandTable& bands,
                                   bool zeroNotLowest, const QVariantList& teacherRow, bool isClass);
// The entry's row of 班级表 from its third field on, or empty when none matches.
QVariantList teacherRowOf(const platform::db::Recordset& classes, const QString& gradeId,
                          const QString& classId);

// One block of the report.
struct ReportLayout {
    std::array<bool, 6> show{};   // 最高分 .. 教师姓名
    bool horizontal = true;
    int spacing = 1;
};
// Rows one after another as in EntryFigures; labels one per row.
QString BuildBandReport(const QString& title, const QStringList& labels, const QStringList& captions,
                        const EntryFigures& rows, const ReportLayout& layout);

// The whole report for the four cases of class entry and layout. `entries` is
// the class list ("所有班级" last), `items` the item list (总分, 平均分, the
// subjects), `filed` one slot per entry but the last. The texts the lists
// are left showing come back in `classText` and `itemText`.
struct ReportChoice {
    QString classText, itemText;
};
QString composeBandReport(const QStringList& entries, const QStringList& items, ReportChoice& choice,
                          const std::vector<EntryFigures>& filed, const QStringList& captions,
                          const ReportLayout& layout);

} // namespace bands
