// Measures the whole-school exam-number build, each crossing method, through
// the builder's data procedure, against raw prepared UPDATEs of 考号, 考室 and
// 座位 by rowid plus 总分 Null for every row, with the same values, in one
// transaction, in the same run. Each works on its own copy of the school, put
// back before every round to students without numbers and with totals: the
// engine skips a row written with the values it holds, so both must change
// the same rows. Goal: at most 3x.

#include "bench/support/bench_school.h"
#include "bench/support/raw_sqlite.h"
#include "bench/support/timing.h"
#include "platform/db/database.h"
#include "common/random_source.h"
#include "common/schema.h"
#include "common/settings_rows.h"
#include "platform/db/recordset.h"
#include "grades/examno/core/exam_number_builder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

using namespace bench;
using namespace platform::db;
using namespace examno;

namespace {

// The school before a build: 考号 holds 学号, no rooms or seats, totals from a calculation.
void unnumber(const QString& path) {
    bench::RawDb(path).exec(QStringLiteral("UPDATE 成绩表 SET 考号 = 学号, 考室 = NULL, 座位 = NULL, 总分 = 500"));
}

double rawWrite(const QString& path, const Plan& plan) {
    bench::RawDb db(path);
    QElapsedTimer timer;
    timer.start();
    db.exec(QStringLiteral("BEGIN IMMEDIATE"));
    {
        auto upd = db.prepare(QStringLiteral("UPDATE OR FAIL 成绩表 SET 考号=?, 考室=?, 座位=? WHERE rowid=?"));
        for (const SeatedStudent& s : plan.seats) {
            upd.bind(1, s.examNumber);
            upd.bind(2, RoomCode(s.room));
            upd.bind(3, SeatCode(s.seat));
            upd.bindRowid(4, s.rowid);
            upd.run();
        }
    }
    db.exec(QStringLiteral("UPDATE 成绩表 SET 总分 = NULL"));
    db.exec(QStringLiteral("COMMIT"));
    return bench::msSince(timer);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("学生成绩库.mdb"));
    bench::createBareSchool(path, bench::BareTables::ClassesAndSettings);
    const QString rawPath = dir.filePath(QStringLiteral("raw.mdb"));
    QFile::copy(path, rawPath);

    const char* names[] = {"不交叉 (class order)", "全班交叉 (class crossed)", "全年级交叉 (grade crossed)"};
    const bench::RatioTable table(32, "whole school, rooms of 30", "build ms");
    bool within = true;
    for (int m = 1; m <= 3; ++m) {
        BuildChoices choices;
        choices.method = CrossingMethod(m);
        choices.roomSizeText = QStringLiteral("30");
        choices.parts = {true, true, true, true, false};
        double best = 1e18, bestRaw = 1e18;
        for (int round = 0; round < 5; ++round) {
            unnumber(path);
            unnumber(rawPath);
            Plan plan;
            {
                auto db = Database::open(path, {});
                ClockRandomSource same(uint64_t(100 * m + round));
                BuildRequest r;
                r.method = choices.method;
                r.roomSize = 30;
                r.parts = choices.parts;
                plan = planBuild(withoutPurged(readSchool(*db), {}), r, same);
            }
            {
                auto db = Database::open(path, {});
                ClockRandomSource random(uint64_t(100 * m + round));
                QElapsedTimer timer;
                timer.start();
                Recordset rows(db, QStringLiteral("状态表"));
                const BuildResult result = buildExamNumbers(*db, SettingsRows(rows), choices, random, {});
                bench::keepBest(best, bench::msSince(timer));
                if (result != BuildResult::Completed) {
                    std::fprintf(stderr, "the build did not complete\n");
                    return 1;
                }
            }
            bench::keepBest(bestRaw, rawWrite(rawPath, plan));
        }
        within = table.row(names[m - 1], best, bestRaw) <= 3 && within;
    }
    std::printf("goal: each method at most 3x the raw time: %s\n", within ? "met" : "MISSED");
    return within ? 0 : 2;
}
