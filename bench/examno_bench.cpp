// Measures the whole-school exam-number build, each crossing method, through
// the builder's data procedure, against raw prepared UPDATEs of 考号, 考室 and
// 座位 by rowid plus 总分 Null for every row, with the same values, in one
// transaction, in the same run. Each works on its own copy of the school, put
// back before every round to students without numbers and with totals: the
// engine skips a row written with the values it holds, so both must change
// the same rows. Goal: at most 3x.

#include "bench_school.h"
#include "common/random_source.h"
#include "common/schema.h"
#include "common/settings_rows.h"
#include "platform/db/recordset.h"
#include "grades/examno/core/exam_number_builder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

using namespace benchschool;
using namespace examno;

namespace {

void makeDatabase(const QString& path) {
    auto db = Database::create(path);
    db->createTable(scoreTableDef(QStringLiteral("成绩表"), kSubjects));
    db->createTable(gradeTableDef(kSubjects));
    db->createTable(classTableDef(kSubjects));
    db->createTable(settingsTableDef());
    Transaction t(*db);
    QStringList fields = kFixed;
    fields += kSubjects;
    for (const Student& s : makeSchool())
        db->insertRow(QStringLiteral("成绩表"), fields, s.values);
    for (const QString& g : schoolGrades())
        db->insertRow(QStringLiteral("年级表"), {QStringLiteral("年级")}, {g});
    for (const auto& [g, c] : schoolClasses())
        db->insertRow(QStringLiteral("班级表"), {QStringLiteral("年级"), QStringLiteral("班")}, {g, c});
    for (const SettingsRow& r : settingsRowDefaults())
        db->insertRow(QStringLiteral("状态表"), {QStringLiteral("说明"), QStringLiteral("状态")},
                      {r.name, r.value.isEmpty() ? QStringLiteral("基准中学") : r.value});
    t.commit();
}

// The school before a build: 考号 holds 学号, no rooms or seats, totals from a calculation.
void unnumber(const QString& path) {
    sqlite3* db = openRaw(path);
    check(sqlite3_exec(db, "UPDATE 成绩表 SET 考号 = 学号, 考室 = NULL, 座位 = NULL, 总分 = 500", nullptr, nullptr,
                       nullptr),
          db);
    sqlite3_close_v2(db);
}

double rawWrite(const QString& path, const Plan& plan) {
    sqlite3* db = openRaw(path);
    QElapsedTimer timer;
    timer.start();
    sqlite3_stmt* upd = nullptr;
    check(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), db);
    check(sqlite3_prepare_v2(db, "UPDATE OR FAIL 成绩表 SET 考号=?, 考室=?, 座位=? WHERE rowid=?", -1, &upd, nullptr), db);
    for (const SeatedStudent& s : plan.seats) {
        bindValue(upd, 1, s.examNumber);
        bindValue(upd, 2, RoomCode(s.room));
        bindValue(upd, 3, SeatCode(s.seat));
        sqlite3_bind_int64(upd, 4, s.rowid);
        check(sqlite3_step(upd), db);
        sqlite3_reset(upd);
    }
    sqlite3_finalize(upd);
    check(sqlite3_exec(db, "UPDATE 成绩表 SET 总分 = NULL", nullptr, nullptr, nullptr), db);
    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
    const double ms = timer.nsecsElapsed() / 1e6;
    sqlite3_close_v2(db);
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("学生成绩库.mdb"));
    makeDatabase(path);
    const QString rawPath = dir.filePath(QStringLiteral("raw.mdb"));
    QFile::copy(path, rawPath);

    const char* names[] = {"不交叉 (class order)", "全班交叉 (class crossed)", "全年级交叉 (grade crossed)"};
    std::printf("%-32s %10s %10s %8s\n", "whole school, rooms of 30", "build ms", "raw ms", "ratio");
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
                best = std::min(best, timer.nsecsElapsed() / 1e6);
                if (result != BuildResult::Completed) {
                    std::fprintf(stderr, "the build did not complete\n");
                    return 1;
                }
            }
            bestRaw = std::min(bestRaw, rawWrite(rawPath, plan));
        }
        std::printf("%-32s %10.1f %10.1f %8.2f\n", names[m - 1], best, bestRaw, best / bestRaw);
        within = within && best <= 3 * bestRaw;
    }
    std::printf("goal: each method at most 3x the raw time: %s\n", within ? "met" : "NOT met");
    return 0;
}
