#pragma once
// The synthetic school the benchmarks work on: 3 grade levels x 60 classes x 56
// students (10,080), 9 subjects, fixed random seed; and the raw SQLite helpers
// of their baselines.

#include "bench/support/bench_school.h"
#include "platform/db/database.h"
#include "platform/db/textorder.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sqlite3.h>
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

// The school's 年级表 rows (年级) and 班级表 rows (年级, 班), in stored order.
inline QStringList schoolGrades() {
    QStringList out;
    for (int g = 0; g < kGrades; ++g)
        out << gradeId(g);
    return out;
}
inline std::vector<std::pair<QString, QString>> schoolClasses() {
    std::vector<std::pair<QString, QString>> out;
    for (int g = 0; g < kGrades; ++g)
        for (int c = 1; c <= kClassesPerGrade; ++c)
            out.push_back({gradeId(g), classId(c)});
    return out;
}

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

inline void check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

inline int collate(void*, int na, const void* a, int nb, const void* b) {
    return compareUnits(static_cast<const char16_t*>(a), na / 2, static_cast<const char16_t*>(b), nb / 2);
}

inline void bindValue(sqlite3_stmt* st, int i, const QVariant& v) {
    if (v.isNull())
        sqlite3_bind_null(st, i);
    else if (v.metaType().id() == QMetaType::Double)
        sqlite3_bind_double(st, i, double(float(v.toDouble())));
    else {
        const QString s = v.toString();
        sqlite3_bind_text16(st, i, s.utf16(), int(s.size() * 2), SQLITE_TRANSIENT);
    }
}

// A raw connection to the file, with the database's text order.
inline sqlite3* openRaw(const QString& path) {
    sqlite3* db = nullptr;
    check(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
    sqlite3_create_collation_v2(db, "JET", SQLITE_UTF16_ALIGNED, nullptr, collate, nullptr);
    return db;
}

} // namespace benchschool
