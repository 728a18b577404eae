#pragma once
// The texts of the teacher assessment view, built from a teacher's row of
// 教师表 without a screen: the report, the score caption, the assignment list,
// the overall figures, the printed block and the class lists.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace platform::db {
class Recordset;
}

namespace results {

// One row of 教师表: its field names in stored order and their values
// (a null QVariant is Null).
struct TeacherRecord {
    QStringList names;
    QVariantList values;

    QVariant value(const QString& field) const;   // Null for a field the row lacks
    QVariant at(int position) const;              // 0-based; Null past the end
    static TeacherRecord current(const platform::db::Recordset& rs);   // throws DbError off a row
};

// The score table the teacher figures were computed from, as 状态表 stores
// it. Anything but the three score tables names 成绩表: the value ends up as
// a table name in queries.
QString assessmentScoreTable(const QString& stored);

// "85.67分": the score rounded to two places; Null counts as 0.
QString scoreCaption(const QVariant& score);

// The report of this term's and last term's figures, lines joined by CR LF;
// empty for a teacher without students.
QString teacherReport(const TeacherRecord& t);

// One teaching assignment: its class label and subject as stored (a Null
// subject is empty) and the item the assignment list shows.
struct Assignment {
    QString classLabel;
    QString subject;
    QString item() const { return classLabel + u' ' + subject; }
};
// Slots 1 to 20 in order; a slot counts when its class is not Null.
std::vector<Assignment> assignmentsOf(const TeacherRecord& t);

// The message of 整体: the sum of the scores that are not Null and their
// average over every teacher, both in single precision.
QString overallText(const QVariantList& scores);

// The printed block of one teacher, ending in a line feed.
QString printoutBlock(const TeacherRecord& t);

// The class list of one assignment: heading, one line per student (name and
// mark, as given: best first), and a line of one blank.
struct ListedMark {
    QString name;
    QVariant mark;
};
QStringList classList(const Assignment& a, const std::vector<ListedMark>& students);
// In place of the list when the subject is no subject column of the score table.
QStringList classListWithoutSubject(const Assignment& a);

} // namespace results
