#pragma once
// The data side of mark entry: the lists of a class, an exam room or a
// search, the full marks they are checked against, the rule that turns a
// typed text into a stored mark, and the shifting of a subject's marks.
// No screen: the mark-entry panel shows the results, tests drive it on a
// small database.

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <cstdint>
#include <optional>

namespace platform::db {
class Database;
class Recordset;
}

namespace entry {

// The columns of a mark list, in this order; the mark is column 1.
inline constexpr int kListMarkColumn = 1;

// "1考室" ... "<count>考室" in the database's text order, as every room chooser
// lists them: "10考室" comes before "1考室".
QStringList roomLabels(int64_t count);

// The subjects the mark-entry panel offers: the subject columns of 班级表.
QStringList entrySubjects(platform::db::Database& db);
// The subject column of 成绩表 the text names, as the table spells it;
// none when it names no subject column. Only such a name enters a query.
std::optional<QString> scoreSubject(platform::db::Database& db, const QString& text);

// A record source with its bound values; an empty text lists nothing.
struct ListSource {
    QString sql;
    QVariantList params;
    bool isEmpty() const { return sql.isEmpty(); }
};
// The students of a class label ("2004级01班"), by 学号.
ListSource classList(platform::db::Database& db, const QString& classText, const QString& subject);
// The students of a room label ("7考室"), by 座位.
ListSource roomList(platform::db::Database& db, const QString& roomText, const QString& subject);
// A search: a text whose first character is a digit is an exact 考号, any other an
// exact 姓名; an empty text searches nothing. Unsorted.
ListSource searchList(platform::db::Database& db, const QString& text, const QString& subject);

// The full mark of one subject's paper for every grade level, read at once.
// A grade without a 年级表 row, or with the cell empty, has full mark 0.
class FullMarks {
public:
    FullMarks() = default;
    static FullMarks read(platform::db::Database& db, const QString& subject);
    float of(const QString& gradeId) const { return marks_.value(gradeId, 0.0f); }

private:
    QHash<QString, float> marks_;
};

// Whether a key typed into the mark box goes through: control keys, blanks,
// double-byte characters, the point, digits and codes from 127 up.
bool markKeyAllowed(int16_t keyAscii);

enum class MarkCheck { Accepted, AboveFullMark, Negative };
// A typed text as a mark for a paper with `fullMark`: its leading number
// (blanks inside skipped), refused when below 0 or above the full mark;
// 0, an empty text or a full mark of 0 give Null.
MarkCheck checkTypedMark(const QString& typed, float fullMark, QVariant& mark);

// The full mark that applies to the current student of a list: that of his grade.
float fullMarkOfCurrent(const platform::db::Recordset& list, const FullMarks& fullMarks);

// Stores the typed mark into the current student of the list, stored at once.
MarkCheck storeEnteredScore(platform::db::Recordset& list, const QString& typed, const FullMarks& fullMarks);

// 插入: stores the typed mark into the current student and moves the old marks
// of him and those after him down by one place; the last one's old mark is
// dropped. Nothing changes when the mark is refused. One transaction; the
// current student stays current.
MarkCheck insertMark(platform::db::Recordset& list, const QString& typed, const FullMarks& fullMarks);
// 删除: moves the marks after the current student up by one place over his;
// the last student's mark becomes empty. One transaction; the current
// student stays current.
void deleteMark(platform::db::Recordset& list);

} // namespace entry
