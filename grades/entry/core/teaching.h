#pragma once
// What the teachers teach: the assignment slots of 教师表 with their mirror in
// 班级表, adding and deleting teachers, and the walk through every class and
// subject still lacking a teacher. No screen: the teacher panel shows the
// results, tests drive it on a small database.
//
// An assignment is kept twice: in a free slot pair 任课班级n / 科目n of the
// teacher's row and as the teacher's name in the class's subject cell. Both
// are written in one transaction, or neither.

#include <QString>
#include <QStringList>
#include <optional>

namespace platform::db {
class Database;
class Recordset;
}

namespace entry {

// The fields of slot n (1 to 20): 任课班级n, 科目n.
QString slotClassField(int n);
QString slotSubjectField(int n);
// 姓名 and the twenty slot pairs of every teacher, in stored order.
QString teacherQuery();

// A slot as lists show it: the class label, a blank, the subject ("2004级01班 语文").
QString assignmentListEntry(const QString& classLabel, const QString& subject);
QString classOfEntry(const QString& entry);     // its first 8 characters
QString subjectOfEntry(const QString& entry);   // its last 2
// Sorts in the database's text order, as the assignment list keeps its entries.
void sortAsText(QStringList& texts);
// The list entries of the current teacher's filled slots, in text order.
// Throws DbError when no teacher is current.
QStringList teachingList(const platform::db::Recordset& teachers);

// 姓名 holds three characters.
inline constexpr int kTeacherNameLength = 3;

enum class TeacherAdded { NoName, TooLong, Added, Found };
// Adds a teacher by the typed name (blanks around it dropped) unless one of
// that name exists; either way that teacher becomes current. A row the
// database refuses (a DbError) leaves the teacher current before it current.
TeacherAdded addTeacher(platform::db::Recordset& teachers, const QString& typedName);
// Deletes the current teacher; the next one (else the previous) becomes
// current. False when no teacher is current.
bool deleteTeacher(platform::db::Recordset& teachers);

enum class Assignment {
    Nothing,        // no current teacher, or nothing to remove with
    Done,
    BadChoice,      // the class or subject names no class, subject or grade level
    FullMarkZero,   // the grade level does not take the subject
    CellTaken,      // the class's subject has a teacher already
    SlotsFull,      // the teacher holds 20 assignments
    NotHeld,        // removal: the teacher has no such slot
};

// The current teacher of `teachers` (the panel's query) and the class cursor
// on 班级表 (`classes`, both on one database): their assignments.
class Teaching {
public:
    Teaching(platform::db::Recordset& teachers, platform::db::Recordset& classes);

    // 增加: a class label and a subject as typed (blanks around them dropped).
    Assignment add(const QString& classLabel, const QString& subject);
    // 确定 of the check: like add, but the gap was found with its full mark
    // already, so only the cell is tested (it may have been filled meanwhile).
    Assignment assignGap(const QString& classLabel, const QString& subject);
    // 删除: frees the teacher's lowest slot holding this pair. The class cell
    // is cleared only while it names this teacher: a class deleted and added
    // again may name another teacher there by now.
    Assignment remove(const QString& classLabel, const QString& subject);

private:
    Assignment assign(const QString& classLabel, const QString& subject, bool testFullMark);
    bool findClass(const QString& gradeId, const QString& classId);
    // Runs the writes in one transaction.
    template <class F> void together(F&& writes);

    platform::db::Recordset& teachers_;
    platform::db::Recordset& classes_;
};

// Whether the grade level takes the subject: its first 年级表 row holds a
// full mark other than 0 and other than empty. Reads 年级表 now.
bool subjectTaken(platform::db::Database& db, const QString& gradeId, const QString& subject);

// The walk through 班级表 for subject cells without a teacher (Null cells of
// subjects the class's grade level takes), class row by class row in stored
// order, subjects left to right. It only moves forward.
class UnassignedSubjectScan {
public:
    // 1-based position of the class row; 0 before the first step.
    int ScanRow = 0;
    // Field index of the subject column examined last (fields 2 on are
    // subjects); 0 before the first step.
    int ScanColumn = 0;

    void restart() { ScanRow = 0; ScanColumn = 0; }
    // One step with the class cursor: the next gap as a list entry, the
    // cursor on its row; nothing at the end.
    std::optional<QString> next(platform::db::Recordset& classes);
};

// The gaps of the whole school now.
int countUnassignedSubjects(platform::db::Database& db);

} // namespace entry
