// Measures the data layer against the best plain SQLite does on the same file,
// with a synthetic school: 3 grade levels x 60 classes x 56 students, 9
// subjects, fixed random seed. Each side counts all its work:
//   (1) adding the students with their marks in one transaction
//   (2) opening the table, walking all rows and writing 总分 = sum of marks, in
//       one transaction; raw row by row, and raw as one UPDATE statement
//   (3) 1,000 Finds by STID: the layer opens the record set and finds by an
//       equality criterion; raw creates an index with the same text comparison
//       (the file holds none) and looks up through it
// Every measurement is the best of a few rounds, each on a new file, so that a
// busy machine disturbs the ratios less. Goals: add <= 3x, walk and write <= 3x
// row by row and <= 5x the single statement, Finds <= 3x.

#include "bench/support/bench_school.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/db/textorder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <random>
#include <sqlite3.h>

using namespace platform::db;

namespace {

using bench::kFixed;
using bench::kSubjects;
using bench::makeSchool;
using Student = bench::Student;

TableDef scoreTable(const QString& name) {
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

void check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

int collate(void*, int na, const void* a, int nb, const void* b) {
    return compareUnits(static_cast<const char16_t*>(a), na / 2, static_cast<const char16_t*>(b), nb / 2);
}

void bindValue(sqlite3_stmt* st, int i, const QVariant& v) {
    if (v.isNull())
        sqlite3_bind_null(st, i);
    else if (v.metaType().id() == QMetaType::Double)
        sqlite3_bind_double(st, i, double(float(v.toDouble())));
    else {
        const QString s = v.toString();
        sqlite3_bind_text16(st, i, s.utf16(), int(s.size() * 2), SQLITE_TRANSIENT);
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::vector<Student> school = makeSchool();
    QStringList fields = kFixed;
    fields += kSubjects;
    std::mt19937 rng(7);
    std::vector<QString> wanted;
    for (int i = 0; i < 1000; ++i)
        wanted.push_back(school[rng() % school.size()].values[0].toString());

    enum { Add, Walk, Find, Count };
    double layer[Count], raw[Count], single = 1e300;
    std::fill(std::begin(layer), std::end(layer), 1e300);
    std::fill(std::begin(raw), std::end(raw), 1e300);
    auto best = [](double& slot, const QElapsedTimer& t) { slot = std::min(slot, t.nsecsElapsed() / 1e6); };
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QElapsedTimer timer;
    for (int round = 0; round < rounds; ++round) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("学生成绩库.mdb"));
        {
            auto db = Database::create(path);
            // The raw statements get tables of their own, so that both start from empty
            // pages of the same file.
            db->createTable(scoreTable(QStringLiteral("成绩表")));
            db->createTable(scoreTable(QStringLiteral("成绩表2")));
            db->createTable(scoreTable(QStringLiteral("成绩表3")));

            timer.start();
            {
                Recordset rs(db, QStringLiteral("成绩表"));
                Transaction t(*db);
                for (const Student& s : school)
                    rs.addNew(fields, s.values);
                t.commit();
            }
            best(layer[Add], timer);

            timer.start();
            {
                Recordset rs(db, QStringLiteral("成绩表"));
                Transaction t(*db);
                for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
                    double sum = 0;
                    for (int f = 10; f < rs.fieldCount(); ++f)
                        sum += rs.value(f).toDouble();
                    rs.setValue(8, sum);
                }
                t.commit();
            }
            best(layer[Walk], timer);

            timer.start();
            {
                Recordset rs(db, QStringLiteral("成绩表"));
                int found = 0;
                for (const QString& id : wanted)
                    found += rs.find(QStringLiteral("STID = ") + quoteText(id), 0, true, true) ? 1 : 0;
                if (found != 1000)
                    std::fprintf(stderr, "layer found only %d\n", found);
            }
            best(layer[Find], timer);
        }
        sqlite3* db = nullptr;
        check(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
        sqlite3_create_collation_v2(db, "JET", SQLITE_UTF16_ALIGNED, nullptr, collate, nullptr);
        QStringList quoted, marks, sum;
        for (const QString& f : fields) {
            quoted << QLatin1Char('"') + f + QLatin1Char('"');
            marks << QStringLiteral("?");
        }
        for (const QString& f : kSubjects)
            sum << QStringLiteral("coalesce(\"%1\", 0)").arg(f);

        for (const char* table : {"成绩表2", "成绩表3"}) {
            const QByteArray insert = QStringLiteral("INSERT OR FAIL INTO %1 (%2) VALUES (%3)")
                                          .arg(QString::fromUtf8(table), quoted.join(u','), marks.join(u',')).toUtf8();
            timer.start();
            sqlite3_stmt* st = nullptr;
            check(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), db);
            check(sqlite3_prepare_v2(db, insert.constData(), -1, &st, nullptr), db);
            for (const Student& s : school) {
                for (int i = 0; i < s.values.size(); ++i)
                    bindValue(st, i + 1, s.values[i]);
                check(sqlite3_step(st), db);
                sqlite3_reset(st);
            }
            sqlite3_finalize(st);
            check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
            if (qstrcmp(table, "成绩表2") == 0)
                best(raw[Add], timer);
        }

        timer.start();
        {
            sqlite3_stmt* sel = nullptr;
            sqlite3_stmt* upd = nullptr;
            const QByteArray select = QStringLiteral("SELECT rowid, %1 FROM 成绩表2 ORDER BY rowid").arg(quoted.join(u',')).toUtf8();
            check(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), db);
            check(sqlite3_prepare_v2(db, select.constData(), -1, &sel, nullptr), db);
            check(sqlite3_prepare_v2(db, "UPDATE OR FAIL 成绩表2 SET 总分=? WHERE rowid=?", -1, &upd, nullptr), db);
            while (sqlite3_step(sel) == SQLITE_ROW) {
                double total = 0;
                for (int f = 11; f < sqlite3_column_count(sel); ++f)
                    total += sqlite3_column_double(sel, f);
                sqlite3_bind_double(upd, 1, double(float(total)));
                sqlite3_bind_int64(upd, 2, sqlite3_column_int64(sel, 0));
                check(sqlite3_step(upd), db);
                sqlite3_reset(upd);
            }
            sqlite3_finalize(sel);
            sqlite3_finalize(upd);
            check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
        }
        best(raw[Walk], timer);

        timer.start();
        check(sqlite3_exec(db, QStringLiteral("UPDATE 成绩表3 SET 总分 = %1").arg(sum.join(u'+')).toUtf8().constData(),
                           nullptr, nullptr, nullptr), db);
        single = std::min(single, timer.nsecsElapsed() / 1e6);

        timer.start();
        {
            sqlite3_stmt* st = nullptr;
            check(sqlite3_exec(db, "CREATE INDEX 成绩表2_STID ON 成绩表2(STID)", nullptr, nullptr, nullptr), db);
            check(sqlite3_prepare_v2(db, "SELECT rowid FROM 成绩表2 WHERE STID = ?", -1, &st, nullptr), db);
            int found = 0;
            for (const QString& id : wanted) {
                sqlite3_bind_text16(st, 1, id.utf16(), int(id.size() * 2), SQLITE_TRANSIENT);
                found += sqlite3_step(st) == SQLITE_ROW ? 1 : 0;
                sqlite3_reset(st);
            }
            sqlite3_finalize(st);
            if (found != 1000)
                std::fprintf(stderr, "raw found only %d\n", found);
        }
        best(raw[Find], timer);
        sqlite3_close_v2(db);
    }

    struct Line {
        const char* what;
        double layer, raw, goal;
    };
    const Line lines[] = {
        {"add 10080 students (one transaction)", layer[Add], raw[Add], 3},
        {"walk and write 总分, row by row", layer[Walk], raw[Walk], 3},
        {"walk and write 总分, one UPDATE", layer[Walk], single, 5},
        {"1000 Finds by STID (open, index)", layer[Find], raw[Find], 3},
    };
    std::printf("best of %d rounds\n%-40s %10s %10s %7s %6s\n", rounds, "", "layer ms", "raw ms", "ratio", "goal");
    bool met = true;
    for (const Line& l : lines) {
        const double ratio = l.layer / l.raw;
        met = met && ratio <= l.goal;
        std::printf("%-40s %10.1f %10.1f %7.2f %6.1f%s\n", l.what, l.layer, l.raw, ratio, l.goal,
                    ratio <= l.goal ? "" : "  missed");
    }
    return met ? 0 : 2;
}
