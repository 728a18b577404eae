#pragma once
// The benchmarks' school: 3 grade levels x 60 classes x 56 students, 9
// subjects, marks 30 to 100 drawn with a fixed seed.

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <vector>

namespace bench {

extern const QStringList kSubjects;
extern const QStringList kFixed;   // the ten fixed fields of 成绩表

struct Student {
    QVariantList values;   // the fixed fields then the marks
};

std::vector<Student> makeSchool();

// A whole database of this system at `path` (年级表 with full marks of 100 and
// one of 150, 班级表, 状态表 ...) holding the school's students; the program
// folder is `folder`. False with a message on stderr when it cannot be made.
bool createSchoolDatabase(const QString& folder, const QString& path, const std::vector<Student>& school);

} // namespace bench
