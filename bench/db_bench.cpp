// Measures the data layer against raw SQLite prepared statements on the same
// file, with the synthetic school of bench_school.h.
//   (1) adding the students with their marks in one transaction
//   (2) walking all rows, writing 总分 = sum of marks, in one transaction
//   (3) 1,000 Finds by STID

#include "bench_school.h"
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

using namespace benchschool;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("学生成绩库.mdb"));
    const std::vector<Student> school = makeSchool();
    QStringList fields = kFixed;
    fields += kSubjects;
    std::mt19937 rng(7);
    std::vector<QString> wanted;
    for (int i = 0; i < 1000; ++i)
        wanted.push_back(school[rng() % school.size()].values[0].toString());

    double layer[3], raw[3];
    QElapsedTimer timer;
    {
        auto db = Database::create(path);
        // The raw statements get a table of their own, so that both start from empty
        // pages of the same file.
        db->createTable(scoreTable(QStringLiteral("成绩表")));
        db->createTable(scoreTable(QStringLiteral("成绩表2")));

        timer.start();
        {
            Recordset rs(db, QStringLiteral("成绩表"));
            Transaction t(*db);
            for (const Student& s : school)
                rs.addNew(fields, s.values);
            t.commit();
        }
        layer[0] = timer.nsecsElapsed() / 1e6;

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
        layer[1] = timer.nsecsElapsed() / 1e6;

        Recordset rs(db, QStringLiteral("成绩表"));
        timer.start();
        int found = 0;
        for (const QString& id : wanted)
            found += rs.find(QStringLiteral("STID = ") + quoteText(id), 0, true, true) ? 1 : 0;
        layer[2] = timer.nsecsElapsed() / 1e6;
        if (found != 1000)
            std::fprintf(stderr, "layer found only %d\n", found);
    }
    {
        sqlite3* db = nullptr;
        check(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
        sqlite3_create_collation_v2(db, "JET", SQLITE_UTF16_ALIGNED, nullptr, collate, nullptr);
        QStringList quoted, marks;
        for (const QString& f : fields) {
            quoted << QLatin1Char('"') + f + QLatin1Char('"');
            marks << QStringLiteral("?");
        }
        const QByteArray insert = QStringLiteral("INSERT OR FAIL INTO 成绩表2 (%1) VALUES (%2)")
                                      .arg(quoted.join(u','), marks.join(u',')).toUtf8();

        timer.start();
        {
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
        }
        raw[0] = timer.nsecsElapsed() / 1e6;

        timer.start();
        {
            sqlite3_stmt* sel = nullptr;
            sqlite3_stmt* upd = nullptr;
            const QByteArray select = QStringLiteral("SELECT rowid, %1 FROM 成绩表2 ORDER BY rowid").arg(quoted.join(u',')).toUtf8();
            check(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), db);
            check(sqlite3_prepare_v2(db, select.constData(), -1, &sel, nullptr), db);
            check(sqlite3_prepare_v2(db, "UPDATE OR FAIL 成绩表2 SET 总分=? WHERE rowid=?", -1, &upd, nullptr), db);
            while (sqlite3_step(sel) == SQLITE_ROW) {
                double sum = 0;
                for (int f = 11; f < sqlite3_column_count(sel); ++f)
                    sum += sqlite3_column_double(sel, f);
                sqlite3_bind_double(upd, 1, double(float(sum)));
                sqlite3_bind_int64(upd, 2, sqlite3_column_int64(sel, 0));
                check(sqlite3_step(upd), db);
                sqlite3_reset(upd);
            }
            sqlite3_finalize(sel);
            sqlite3_finalize(upd);
            check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
        }
        raw[1] = timer.nsecsElapsed() / 1e6;

        timer.start();
        {
            sqlite3_stmt* st = nullptr;
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
        raw[2] = timer.nsecsElapsed() / 1e6;
        sqlite3_close_v2(db);
    }

    const char* what[] = {"add 10080 students (one transaction)", "walk and write 总分 (one transaction)",
                          "1000 Finds by STID"};
    std::printf("%-40s %12s %12s %8s\n", "", "layer ms", "raw ms", "ratio");
    for (int i = 0; i < 3; ++i)
        std::printf("%-40s %12.1f %12.1f %8.2f\n", what[i], layer[i], raw[i], layer[i] / raw[i]);
    std::printf("layer per Find: %.3f ms\n", layer[2] / 1000.0);
    return 0;
}
