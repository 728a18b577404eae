#pragma once
// The ranked grade lists of the print preview: one block per class, room or
// handed-over query, laid out twice, in fixed columns for the preview and
// tab-separated for the saved copy.

#include <QString>
#include <QStringList>
#include <cstdint>

namespace platform::db {
class Recordset;
}

namespace results {

// One block in both layouts; both empty when the rows are none.
struct GradeBlock {
    QString preview;   // lines ended by a line feed
    QString copy;      // lines ended by CR LF, cells by TAB
};

// The count typed into 只打印前: its leading number to the nearest whole one
// (a half to the even one), held within the 16-bit range.
int previewCount(const QString& text);

// The block queries of a class and of a room ("3考室" -> 考室='003').
QString classBlockQuery(const QString& table, const QString& classLabel);
QString roomBlockQuery(const QString& table, const QString& roomLabel);

// The block of the rows of `rs` (the cursor does not move). `classText` and
// `roomText` are the selectors' texts for the heading; a five-character class
// text (a grade level) adds the 班级 column. `count` keeps the first (or,
// negative, the last, last first) students; the averages are of every row.
// Subjects are read by name, so a query lacking a field leaves its cells empty.
GradeBlock gradeBlock(const platform::db::Recordset& rs, const QString& classText, const QString& roomText,
                      int count, int16_t examNumberLength, const QStringList& subjects);

} // namespace results
