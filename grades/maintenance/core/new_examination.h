#pragma once
// Starting a new examination: the marks, totals, scaled scores and teacher
// figures cleared while students, classes, teachers, assignments and exam
// numbers stay; and every teaching assignment cleared before a new term.
// Each is one transaction: a failure clears nothing.

#include <QDate>
#include <QString>

namespace platform::db { class Database; }

namespace maintenance {

// The backup's offered name: "学生成绩库" and the date as yy-m-d, 学生成绩库05-3-7.mdb.
QString defaultBackupName(const QDate& date);

// 成绩表 from 总分 on, both scaled tables, the teachers' score and figures,
// and the settings rows of printed cards, calculation and printing ("否")
// and of the assessment's score table ("成绩表").
void clearForNewExamination(platform::db::Database& db);

// Every subject cell of 班级表 and every assignment pair of 教师表.
void clearTeachingAssignments(platform::db::Database& db);

} // namespace maintenance
