#pragma once
// The synthetic school the benchmarks work on: 3 grade levels x 60 classes x 56
// students (10,080), 9 subjects, fixed random seed; and the raw SQLite side of
// their baselines.

#include "bench/support/bench_school.h"
#include "bench/support/raw_sqlite.h"
#include "bench/support/timing.h"
#include "platform/db/database.h"

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <cstdio>
#include <vector>

namespace benchschool {

using namespace platform::db;

inline const QStringList& kSubjects = bench::kSubjects;
inline const QStringList& kFixed = bench::kFixed;
inline constexpr int kGrades = 3;
inline constexpr int kClassesPerGrade = 60;
inline constexpr int kStudentsPerClass = 56;

using Student = bench::Student;

inline QString gradeId(int g) { return QString::number(2004 + g); }
inline QString classId(int c) { return QStringLiteral("%1").arg(c, 2, 10, QLatin1Char('0')); }

// The students in stored order, class by class: the one school of the benchmarks.
inline std::vector<Student> makeSchool() { return bench::makeSchool(); }

inline TableDef scoreTable(const QString& name) {
    TableDef t{name, {}};
    const int sizes[] = {8, 4, 2, 3, 3, 11, 3, 2};
    for (int i = 0; i < 8; ++i)
        t.fields.push_back({kFixed[i], FieldType::Text, sizes[i]});
    t.fields.push_back({kFixed[8], FieldType::Single});
    t.fields.push_back({kFixed[9], FieldType::Single});
    for (const QString& s : kSubjects)
        t.fields.push_back({s, FieldType::Single});
    return t;
}

} // namespace benchschool
