// Measures the integrity check on the benchmarks' school (10,080 students,
// 1 % of them without STID): one 开始 that runs both passes in the window,
// offscreen with its grid bound (the window's opening not counted), against a raw baseline on a copy of the same
// file: one prepared SELECT over 成绩表, the same checks in C++ and prepared
// UPDATEs by rowid in one transaction. Best of three. Goal: at most 5x raw.

#include "bench/support/bench_school.h"
#include "bench/support/quiet_dialogs.h"
#include "common/program_state.h"
#include "grades/maintenance/Form15.h"
#include "platform/db/database.h"
#include "platform/ui/dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sqlite3.h>

namespace {

QString text(sqlite3_stmt* st, int i) {
    const auto* p = static_cast<const char16_t*>(sqlite3_column_text16(st, i));
    return p ? QString::fromUtf16(p) : QString();
}

double raw(const QString& path) {
    sqlite3* h = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &h, SQLITE_OPEN_READWRITE, nullptr);
    QElapsedTimer t;
    t.start();
    QHash<QString, QSet<QString>> classes;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, "SELECT 年级, 班 FROM 班级表", -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW)
        classes[text(st, 0)].insert(text(st, 1));
    sqlite3_finalize(st);
    sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* setId = nullptr;
    sqlite3_prepare_v2(h, "UPDATE 成绩表 SET STID = ? WHERE rowid = ?", -1, &setId, nullptr);
    QHash<QString, int> largest;
    std::vector<std::pair<sqlite3_int64, QString>> missing;
    sqlite3_prepare_v2(h, "SELECT rowid, STID, 年级, 班, 姓名 FROM 成绩表 ORDER BY rowid", -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
        const QString id = text(st, 1), grade = text(st, 2), cls = text(st, 3);
        if (!classes.contains(grade) || !classes[grade].contains(cls) || text(st, 4).isEmpty())
            continue;
        if (id.size() == 8)
            largest[grade] = std::max(largest[grade], id.right(4).toInt());
        else
            missing.emplace_back(sqlite3_column_int64(st, 0), grade);
    }
    sqlite3_finalize(st);
    for (const auto& [rowid, grade] : missing) {
        const QString id = grade + QStringLiteral("%1").arg(++largest[grade], 4, 10, QLatin1Char('0'));
        sqlite3_bind_text16(setId, 1, id.utf16(), int(id.size() * 2), SQLITE_TRANSIENT);
        sqlite3_bind_int64(setId, 2, rowid);
        sqlite3_step(setId);
        sqlite3_reset(setId);
    }
    sqlite3_finalize(setId);
    sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
    const double ms = t.nsecsElapsed() / 1e6;
    sqlite3_close(h);
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::QuietDialogs quiet;
    platform::setDialogService(&quiet);
    QTemporaryDir dir;
    const QString school = dir.filePath(QStringLiteral("学生成绩库.mdb"));
    if (!bench::createSchoolDatabase(dir.path(), school, bench::makeSchool()))
        return 1;
    {
        auto db = platform::db::Database::open(school, state().DatabasePassword);
        db->execute(QStringLiteral("UPDATE 成绩表 SET STID = NULL WHERE rowid % 100 = 7"));
    }
    double layer = 1e300, baseline = 1e300;
    for (int round = 0; round < 3; ++round) {
        const QString mine = dir.filePath(QStringLiteral("mine.mdb"));
        const QString theirs = dir.filePath(QStringLiteral("theirs.mdb"));
        QFile::remove(mine);
        QFile::remove(theirs);
        QFile::copy(school, mine);
        QFile::copy(school, theirs);
        state().DatabasePath = mine;
        {
            auto* f = new Form15(nullptr);
            f->show();
            QElapsedTimer t;
            t.start();
            f->Command1->click();
            layer = std::min(layer, t.nsecsElapsed() / 1e6);
            if (f->Command1->text() != QStringLiteral("开始"))
                std::fprintf(stderr, "the check stopped at a row\n");
            delete f;
        }
        baseline = std::min(baseline, raw(theirs));
    }
    const double ratio = layer / baseline;
    std::printf("integrity check: window %8.1f ms   raw %8.1f ms   ratio %.2f (goal <= 5)\n", layer, baseline, ratio);
    platform::setDialogService(nullptr);
    return ratio <= 5 ? 0 : 2;
}
