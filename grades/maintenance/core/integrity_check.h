#pragma once
// The integrity check of 成绩表: every student's grade level, class, name and
// id checked against 年级表 and 班级表. A wrong grade-level or class id and
// an id of the wrong length are emptied; the walk stops at a row whose grade
// level, class or name is empty so that the user can fill it in; at the end
// every student of a known grade level without an id gets a new one.

#include <QString>
#include <QStringList>
#include <vector>

namespace platform::db {
class Database;
class Recordset;
}

namespace maintenance {

// One grade level of 年级表 with its classes, and the largest serial of its
// students' ids seen so far.
struct CheckGrade {
    QString grade;
    QStringList classes;
    int largestSerial = 0;
};

// The grade levels in 年级表's order, each with its classes in 班级表's order.
std::vector<CheckGrade> loadCheckGrades(platform::db::Database& db);

class IntegrityWalk {
public:
    // The walk moves `scores`, a record set on the whole of 成绩表 (the
    // window's data control), and keeps `grades` as long as the window lives.
    IntegrityWalk(platform::db::Recordset& scores, std::vector<CheckGrade>& grades);

    enum class Outcome { Stopped, Finished };

    // 开始: from the first row. Finished at once when the table is empty.
    Outcome start();
    // 继续: the non-empty texts go into the current row as typed, then the
    // walk goes on from the next row. Returns the refusal of a text longer
    // than its field (nothing written, still stopped), else "".
    QString resume(const QString& grade, const QString& cls, const QString& name, Outcome& outcome);

    bool stopped() const { return stopped_; }
    // The grade levels whose serials ran out in the last second pass.
    const QStringList& exhaustedGrades() const { return exhausted_; }
    const CheckGrade* gradeOf(const QString& grade) const;

private:
    Outcome firstPass();
    // Checks and mends the current row, whose grade level is `entry` (null
    // when unknown); true when the user must look at it.
    bool stopsAtCurrent(CheckGrade* entry);
    void secondPass();

    platform::db::Recordset& rs_;
    std::vector<CheckGrade>& grades_;
    bool stopped_ = false;
    QStringList exhausted_;
};

} // namespace maintenance
