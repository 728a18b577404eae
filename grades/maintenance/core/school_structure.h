#pragma once
// The school's structure between examinations: classes and grade levels
// added and deleted with what hangs on them. Each change is one
// transaction, so a failure part way leaves every table as it was.

#include <QString>
#include <QStringList>
#include <optional>

namespace platform::db { class Database; }

namespace maintenance {

// Rows added (positive) or deleted (negative) per table, for the counts of
// the program state.
struct RowChanges {
    int grades = 0;     // 年级表
    int classes = 0;    // 班级表
    int students = 0;   // 成绩表
};

// The labels of every class ("2004级01班") and grade level ("2004级"), and
// the grade ids, in stored order.
QStringList classLabels(platform::db::Database& db);
QStringList gradeLabels(platform::db::Database& db);
QStringList gradeIds(platform::db::Database& db);

// One row of 班级表 with the grade and class only: no teacher yet.
RowChanges addClass(platform::db::Database& db, const QString& gradeId, const QString& classId);
// One row of 年级表 with the grade only: it takes no subject until its full
// marks are entered.
RowChanges addGradeLevel(platform::db::Database& db, const QString& gradeId);

// The first class row with exactly this grade and class (letter case counts),
// and every student of it. The teachers' assignments to it and the rows of
// the scaled tables stay: the next calculation refills those tables.
// Nothing when there is no such class.
std::optional<RowChanges> deleteClass(platform::db::Database& db, const QString& gradeId,
                                      const QString& classId);
// The first 年级表 row of the grade, its students, its classes, and every
// assignment pair naming one of its classes (the other pairs keep their
// slots). Nothing when there is no such grade level.
std::optional<RowChanges> deleteGradeLevel(platform::db::Database& db, const QString& gradeId);

} // namespace maintenance
