#pragma once
// The benchmarks' school: 3 grade levels x 60 classes x 56 students, 9
// subjects, marks 30 to 100 drawn with a fixed seed.

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <vector>

namespace platform::db {
class Database;
}

namespace bench {

extern const QStringList kSubjects;
extern const QStringList kFixed;   // the ten fixed fields of 成绩表
inline constexpr int kGrades = 3;
inline constexpr int kClassesPerGrade = 60;
inline constexpr int kStudentsPerClass = 56;

inline QString gradeId(int g) { return QString::number(2004 + g); }
inline QString classId(int c) { return QStringLiteral("%1").arg(c, 2, 10, QLatin1Char('0')); }

struct Student {
    QVariantList values;   // the fixed fields then the marks
};

std::vector<Student> makeSchool();

// A whole database of this system at `path` (年级表 with full marks of 100 and
// one of 150, 班级表, 状态表 ...) holding the school's students; the program
// folder is `folder`. False with a message on stderr when it cannot be made.
bool createSchoolDatabase(const QString& folder, const QString& path, const std::vector<Student>& school);

// The school's 年级表 and 班级表 rows: 2004 to 2006, classes 01 to 60 each.
void insertGradesAndClasses(platform::db::Database& db);

// The school's students in a bare database of the data layer, without the
// rest of a new school: 成绩表 alone, or with 年级表 and 班级表, or with those
// and 状态表 holding its first rows.
enum class BareTables { Scores, Classes, ClassesAndSettings };
void createBareSchool(const QString& path, BareTables tables);

// The same school with 总分 and 平均分 of every student filled: the sum of the
// nine marks and its ninth.
bool createScoredSchool(const QString& folder, const QString& path);

} // namespace bench
