#pragma once
// Re-forming the classes of one grade level: the classes whose students are
// pooled, the plan of the classes to be, the placing of the pooled students
// and the write-back. The window keeps these records beside its lists and
// builds every line from them; nothing is read back out of a line.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

class RandomSource;
namespace platform::db { class Database; }

namespace maintenance::division {

// A class of the school with students: one line of the class list.
struct ClassEntry {
    QString grade;
    QString cls;
    int size = 0;
    bool ticked = false;
};

// "2004级01班 45人"; a size of 100 or more shows with its three digits.
QString classLineText(const ClassEntry& c);

// The classes that have students, by grade and class.
std::vector<ClassEntry> loadClasses(platform::db::Database& db);

// Whether a tick on the class list may stand. A second grade is refused; the
// first ticked line gives the grade.
enum class TickCheck { Fine, GradeAndClassMixed, OtherGrade };
struct TickResult {
    TickCheck check = TickCheck::Fine;
    int untick = -1;   // the line to untick
};
TickResult checkTicks(const std::vector<ClassEntry>& classes);
QString tickMessage(TickCheck check);

// One class the grade is to have after the division.
struct PlanLine {
    QString grade;
    QString cls;
    std::optional<int> formerSize;   // none for a new class
    QString type;                    // "快", "平", "慢", "常" or what was typed
    int plannedSize = 0;
};

QString planLineText(const PlanLine& line);

// The plan editor: lines kept in text order by class, the balance of seats
// against the grade's students.
class DivisionPlan {
public:
    // From the first ticked class's grade: every class of that grade planned
    // at its present size, type 平 (fast and slow classes wanted) or 常.
    // False, and nothing changed, when no class is ticked.
    bool build(const std::vector<ClassEntry>& classes, bool fastSlow);

    const QString& grade() const { return grade_; }
    int gradeStudentTotal() const { return gradeStudentTotal_; }
    int remaining() const;
    QString remainingText() const;   // "还剩:0人"
    const std::vector<PlanLine>& lines() const { return lines_; }
    QStringList lineTexts() const;
    bool empty() const { return lines_.empty(); }

    // A new class from the typed number, size and type; its index, or none
    // when the plan has the class already.
    std::optional<int> add(const QString& classText, const QString& sizeText, const QString& typeText);
    // New size and type of a line; its index after sorting, or none when a
    // kept class would shrink below its present size.
    std::optional<int> edit(int index, const QString& sizeText, const QString& typeText);
    // Removes a line that is not a kept class; the index to select then (-1
    // when the plan is empty), or none when refused.
    std::optional<int> remove(int index);

    // The class keeps its students: it has students and is not ticked.
    const ClassEntry* keptClass(const QString& cls) const;

private:
    int place(PlanLine line);

    QString grade_;
    int gradeStudentTotal_ = 0;
    std::vector<PlanLine> lines_;
    std::vector<ClassEntry> classes_;   // of the grade, as ticked when built
};

// A planned class during the division.
struct DivisionClass {
    QString grade;
    QString cls;
    int formerSize = 0;
    int plannedSize = 0;
    int filled = 0;        // students it holds: its own when kept, placed ones added
    QString type;
    bool reformed = false; // its students are pooled
};

std::vector<DivisionClass> divisionClasses(const DivisionPlan& plan, const std::vector<ClassEntry>& classes);

// A pooled student, in the order of the division query.
struct DivisionStudent {
    qint64 rowid = 0;
    QString stid;
    QString name;
    QString grade;
    QString cls;        // former class
    QString newClass;
    QString total;      // as shown: "0" without a total, at most 6 characters
    bool placed = false;
};

// Every student of the ticked classes, best total first, those without a
// total last, ties in stored order.
std::vector<DivisionStudent> loadStudents(platform::db::Database& db, const std::vector<ClassEntry>& classes);

enum class Rule { ByScore, Random, Even, Manual };

// Places the pooled students: with fast and slow classes the 快 classes take
// the best, the 慢 classes the weakest, the 平 classes those between, and
// classes of any other type nobody; else one group of every class.
void divideByClassType(std::vector<DivisionClass>& classes, std::vector<DivisionStudent>& students,
                       bool fastSlow, Rule rule, RandomSource& random);

// Places the students of one group (indices) in its classes (indices).
void distributeStudents(std::vector<DivisionClass>& classes, std::vector<DivisionStudent>& students,
                        const std::vector<int>& group, const std::vector<int>& pupils, Rule rule,
                        RandomSource& random);

// The next student from `from` (0-based) not yet placed, or -1.
int nextUnplaced(const std::vector<DivisionStudent>& students, int from);
// "2004级01班 王小明 总分512.5 " for the manual view.
QString manualLabel(const DivisionStudent& s);
// "王小明 512.5 01 03" for the adjustment list.
QString studentLine(const DivisionStudent& s);
// One line per planned class with its count of students.
QStringList summaryLines(const std::vector<DivisionClass>& classes, const std::vector<DivisionStudent>& students);

// Writes the division in one transaction: the pooled students' class (only
// where the row still has the student read), a 班级表 row for each planned
// class without one, and the removal of classes of the division left
// without students. Classes outside the division are never removed.
void writeDivision(platform::db::Database& db, const QString& grade, const std::vector<ClassEntry>& classes,
                   const std::vector<DivisionClass>& plan, const std::vector<DivisionStudent>& students);

} // namespace maintenance::division
