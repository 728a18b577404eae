// Measures the records program on the synthetic school against raw SQLite on
// the same file:
//   (1) the first start: 学籍表 and 区域表 made, 学籍表 filled from 成绩表,
//       against a raw CREATE TABLE (the same definition) and INSERT ... SELECT
//       in one transaction

#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "records/records_database.h"
#include "bench_school.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

using namespace benchschool;
using namespace platform::db;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("学生成绩库.mdb"));
    const std::vector<Student> school = makeSchool();
    QStringList fields = kFixed;
    fields += kSubjects;
    {
        auto db = Database::create(path);
        db->createTable(scoreTable(QStringLiteral("成绩表")));
        Recordset rs(db, QStringLiteral("成绩表"));
        Transaction t(*db);
        for (const Student& s : school)
            rs.addNew(fields, s.values);
        t.commit();
    }

    // Each side works on its own fresh copy of the school, five times; the best
    // time of each counts, so that a slow disk flush does not decide.
    double layer[1] = {1e300}, raw[1] = {1e300};
    QElapsedTimer timer;
    for (int round = 0; round < 5; ++round) {
        const QString mine = dir.filePath(QStringLiteral("layer%1.mdb").arg(round));
        const QString theirs = dir.filePath(QStringLiteral("raw%1.mdb").arg(round));
        QFile::copy(path, mine);
        QFile::copy(path, theirs);

        timer.start();
        const records::OpenOutcome opened = records::OpenRecordsDatabase(mine, QString());
        layer[0] = std::min(layer[0], timer.nsecsElapsed() / 1e6);
        if (opened.failure || !opened.registerCreated) {
            std::fprintf(stderr, "first start failed: %s\n",
                         qPrintable(opened.failure ? opened.failure->message : QString()));
            return 1;
        }

        QByteArray ddl;
        {
            auto made = Database::open(mine, QString());
            ddl = made->scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = '学籍表'")).toString().toUtf8();
        }
        sqlite3* db = nullptr;
        check(sqlite3_open_v2(QFile::encodeName(theirs).constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
        sqlite3_create_collation_v2(db, "JET", SQLITE_UTF16_ALIGNED, nullptr, collate, nullptr);
        timer.start();
        check(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), db);
        // The same table as the layer made, with the same rules, so that only
        // the way there is compared.
        check(sqlite3_exec(db, ddl.constData(), nullptr, nullptr, nullptr), db);
        check(sqlite3_exec(db, "INSERT INTO 学籍表 (STID, 年级, 班, 姓名) SELECT STID, 年级, 班, 姓名 FROM 成绩表",
                           nullptr, nullptr, nullptr), db);
        check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
        raw[0] = std::min(raw[0], timer.nsecsElapsed() / 1e6);
        sqlite3_close_v2(db);
    }

    const char* what[] = {"first start: make and fill 学籍表"};
    std::printf("%-40s %12s %12s %8s\n", "", "layer ms", "raw ms", "ratio");
    for (int i = 0; i < 1; ++i)
        std::printf("%-40s %12.1f %12.1f %8.2f\n", what[i], layer[i], raw[i], layer[i] / raw[i]);
    return 0;
}
