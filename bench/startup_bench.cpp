// Measures the parts of Orbisca's start that work on the benchmarks' school
// (10,080 students), against raw SQLite on the same file in the same run:
//   (1) opening the database as the program does (format, damage check,
//       table definitions), against a raw open that reads the format row
//   (2) the main window's whole start with the login answered at once (its
//       first appearance offscreen, then what follows the login: data controls
//       connected, settings rows, exam-number length, table counts, the look
//       for an incomplete row), against raw counts of the same tables and one
//       raw query for an incomplete row
// Best of five. The start through the real windows is timed by
// bench/startup_window.py, which asks this program for its schools:
//   startup_bench --make FOLDER   makes FOLDER/school (10,080 students) and
//                                 FOLDER/empty, each a program folder with
//                                 system.txt, scro.dat and the database.

#include "bench/support/bench_school.h"
#include "bench/support/quiet_dialogs.h"
#include "common/program_state.h"
#include "common/settings_files.h"
#include "grades/app/main_window.h"
#include "grades/frame/Form2.h"
#include "platform/db/database.h"
#include "platform/ui/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sqlite3.h>

namespace {

bool makeFolders(const QString& top) {
    for (const char* name : {"school", "empty"}) {
        const QString folder = QDir(top).filePath(QString::fromLatin1(name));
        QDir().mkpath(folder);
        const bool full = qstrcmp(name, "school") == 0;
        if (!bench::createSchoolDatabase(folder, QDir(folder).filePath(QStringLiteral("学生成绩库.mdb")),
                                         full ? bench::makeSchool() : std::vector<bench::Student>{}))
            return false;
    }
    return true;
}

double rawOpen(const QString& path) {
    QElapsedTimer t;
    t.start();
    sqlite3* h = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &h, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, "SELECT value FROM msys_properties WHERE name = 'format'", -1, &st, nullptr);
    if (sqlite3_step(st) != SQLITE_ROW)
        std::fprintf(stderr, "raw open read no format\n");
    sqlite3_finalize(st);
    const double ms = t.nsecsElapsed() / 1e6;
    sqlite3_close_v2(h);
    return ms;
}

double rawLoginWork(const QString& path) {
    sqlite3* h = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &h, SQLITE_OPEN_READWRITE, nullptr);
    QElapsedTimer t;
    t.start();
    int counted = 0;
    for (const char* sql : {"SELECT count(*) FROM 状态表", "SELECT count(*) FROM 教师表", "SELECT count(*) FROM 年级表",
                            "SELECT count(*) FROM 班级表", "SELECT count(*) FROM 成绩表",
                            "SELECT 1 FROM 成绩表 WHERE coalesce(STID, '') = '' OR coalesce(年级, '') = '' "
                            "OR coalesce(班, '') = '' OR coalesce(姓名, '') = '' LIMIT 1"}) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(h, sql, -1, &st, nullptr);
        if (sqlite3_step(st) == SQLITE_ROW)
            counted += sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
    }
    const double ms = t.nsecsElapsed() / 1e6;
    if (counted < 10080)
        std::fprintf(stderr, "raw counts short: %d\n", counted);
    sqlite3_close_v2(h);
    return ms;
}

bool report(const char* what, double layer, double raw, double goal) {
    const double ratio = layer / raw;
    const bool met = goal <= 0 || ratio <= goal;
    std::printf("%-44s layer %8.2f ms   raw %8.2f ms   ratio %6.2f", what, layer, raw, ratio);
    if (goal > 0)
        std::printf("   goal <= %g: %s", goal, met ? "met" : "MISSED");
    std::printf("\n");
    return met;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--make") == 0)
        return makeFolders(QString::fromLocal8Bit(argv[2])) ? 0 : 1;

    bench::QuietDialogs quiet;
    platform::setDialogService(&quiet);
    QTemporaryDir dir;
    if (!makeFolders(dir.path()))
        return 1;
    const QString folder = dir.filePath(QStringLiteral("school"));
    const QString path = QDir(folder).filePath(QStringLiteral("学生成绩库.mdb"));
    setProgramFolder(folder);

    double open = 1e300, openRaw = 1e300, login = 1e300, loginRaw = 1e300;
    QElapsedTimer t;
    for (int round = 0; round < 5; ++round) {
        {
            t.start();
            auto db = platform::db::Database::open(path, QString());
            open = std::min(open, t.nsecsElapsed() / 1e6);
        }
        openRaw = std::min(openRaw, rawOpen(path));

        // The login is answered at once by the quiet dialogs.
        {
            auto form2 = makeMainWindow();
            t.start();
            if (!form2->startUp(nullptr)) {
                std::fprintf(stderr, "the main window did not start\n");
                return 1;
            }
            const double whole = t.nsecsElapsed() / 1e6;
            login = std::min(login, whole);
            form2->close();
        }
        QApplication::processEvents();
        loginRaw = std::min(loginRaw, rawLoginWork(path));
    }

    std::printf("10,080 students, best of 5\n");
    report("open the database (format, check, tables)", open, openRaw, 0);
    report("main window start with the login", login, loginRaw, 0);
    platform::setDialogService(nullptr);
    return 0;
}
