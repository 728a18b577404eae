// Measures the data layer against the best plain SQLite does on the same file,
// with a synthetic school: 3 grade levels x 60 classes x 56 students, 9
// subjects, fixed random seed. Each side counts all its work:
//   (1) adding the students with their marks in one transaction
//   (2) opening the table, walking all rows and writing 总分 = sum of marks, in
//       one transaction; raw row by row with the layer's check that the row
//       still holds what was read, and, for information, raw as one UPDATE
//       statement with no check
//   (3) 1,000 Finds by STID: the layer opens the record set and finds by an
//       equality criterion; raw creates an index with the same text comparison
//       (the file holds none) and looks up through it
// Every measurement is the best of a few rounds, each on a new file, so that a
// busy machine disturbs the ratios less. Goals: add <= 3x, walk and write <= 3x
// row by row, Finds <= 3x.

#include "bench/support/bench_school.h"
#include "bench/support/raw_sqlite.h"
#include "bench/support/timing.h"
#include "common/schema.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/text/process_memory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

using namespace platform::db;

namespace {

using bench::kFixed;
using bench::kSubjects;
using bench::makeSchool;
using Student = bench::Student;


} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    platform::keepFreedMemory();   // as the programs do at their start
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
    auto best = [](double& slot, const QElapsedTimer& t) { bench::keepBest(slot, bench::msSince(t)); };
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QElapsedTimer timer;
    for (int round = 0; round < rounds; ++round) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("学生成绩库.mdb"));
        {
            auto db = Database::create(path);
            // The raw statements get tables of their own, so that both start from empty
            // pages of the same file.
            db->createTable(scoreTableDef(QStringLiteral("成绩表"), kSubjects));
            db->createTable(scoreTableDef(QStringLiteral("成绩表2"), kSubjects));
            db->createTable(scoreTableDef(QStringLiteral("成绩表3"), kSubjects));

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
        bench::RawDb db(path);
        QStringList quoted, marks, sum;
        for (const QString& f : fields) {
            quoted << QLatin1Char('"') + f + QLatin1Char('"');
            marks << QStringLiteral("?");
        }
        for (const QString& f : kSubjects)
            sum << QStringLiteral("coalesce(\"%1\", 0)").arg(f);

        for (const char* table : {"成绩表2", "成绩表3"}) {
            const QString insert = QStringLiteral("INSERT OR FAIL INTO %1 (%2) VALUES (%3)")
                                       .arg(QString::fromUtf8(table), quoted.join(u','), marks.join(u','));
            timer.start();
            db.exec(QStringLiteral("BEGIN IMMEDIATE"));
            {
                auto st = db.prepare(insert);
                for (const Student& s : school) {
                    for (int i = 0; i < s.values.size(); ++i)
                        st.bind(i + 1, s.values[i]);
                    st.run();
                }
            }
            db.exec(QStringLiteral("COMMIT"));
            if (qstrcmp(table, "成绩表2") == 0)
                best(raw[Add], timer);
        }

        // The layer stores a row only when it still holds what was read (the
        // old engine's update check over every field): the raw walk checks the
        // same fields the same way.
        timer.start();
        {
            db.exec(QStringLiteral("BEGIN IMMEDIATE"));
            {
                auto sel =
                    db.prepare(QStringLiteral("SELECT rowid, %1 FROM 成绩表2 ORDER BY rowid").arg(quoted.join(u',')));
                QString check;
                for (const QString& f : quoted)
                    check += QStringLiteral(" AND %1 IS ?").arg(f);
                auto upd = db.prepare(QStringLiteral("UPDATE OR FAIL 成绩表2 SET 总分=? WHERE rowid=?%1").arg(check));
                const int columns = sqlite3_column_count(sel);
                while (sel.next()) {
                    double total = 0;
                    for (int f = 11; f < columns; ++f)
                        total += sqlite3_column_double(sel, f);
                    sqlite3_bind_double(upd, 1, double(float(total)));
                    upd.bindRowid(2, sqlite3_column_int64(sel, 0));
                    for (int f = 1; f < columns; ++f)
                        sqlite3_bind_value(upd, f + 2, sqlite3_column_value(sel, f));
                    upd.run();
                    if (sqlite3_changes(db) != 1)
                        std::fprintf(stderr, "raw walk: a row was not stored\n");
                }
            }
            db.exec(QStringLiteral("COMMIT"));
        }
        best(raw[Walk], timer);

        timer.start();
        db.exec(QStringLiteral("UPDATE 成绩表3 SET 总分 = %1").arg(sum.join(u'+')));
        bench::keepBest(single, bench::msSince(timer));

        timer.start();
        {
            db.exec(QStringLiteral("CREATE INDEX 成绩表2_STID ON 成绩表2(STID)"));
            auto st = db.prepare(QStringLiteral("SELECT rowid FROM 成绩表2 WHERE STID = ?"));
            int found = 0;
            for (const QString& id : wanted) {
                st.bind(1, id);
                found += st.next() ? 1 : 0;
                sqlite3_reset(st);
            }
            st.finish();
            if (found != 1000)
                std::fprintf(stderr, "raw found only %d\n", found);
        }
        best(raw[Find], timer);
    }

    struct Line {
        const char* what;
        double layer, raw, goal;
    };
    const Line lines[] = {
        {"add 10080 students (one transaction)", layer[Add], raw[Add], 3},
        {"walk and write 总分, row by row", layer[Walk], raw[Walk], 3},
        {"  ... one UPDATE, no check", layer[Walk], single, 0},
        {"1000 Finds by STID (open, index)", layer[Find], raw[Find], 3},
    };
    std::printf("best of %d rounds\n%-40s %10s %10s %7s %6s\n", rounds, "", "layer ms", "raw ms", "ratio", "goal");
    bool met = true;
    for (const Line& l : lines) {
        const double ratio = l.layer / l.raw;
        if (l.goal <= 0) {
            std::printf("%-40s %10.1f %10.1f %7.2f\n", l.what, l.layer, l.raw, ratio);
            continue;
        }
        met = met && ratio <= l.goal;
        std::printf("%-40s %10.1f %10.1f %7.2f %6.1f%s\n", l.what, l.layer, l.raw, ratio, l.goal,
                    ratio <= l.goal ? "" : "  missed");
    }
    return met ? 0 : 2;
}
