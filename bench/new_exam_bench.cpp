// Measures the start of a new examination on the benchmarks' school (10,080
// students, both scaled tables filled, 180 teachers with assignments):
//   (1) the backup copy with its check and rename, against a raw online
//       backup of the same file in one step;
//   (2) the data refresh, against raw SQL: one UPDATE per table, two DELETEs
//       and four settings updates in one transaction.
// Each side works on its own copy of the school; best of three rounds.
// Goals: backup <= 2x, refresh <= 3x.

#include "bench/support/bench_school.h"
#include "bench/support/raw_sqlite.h"
#include "bench/support/timing.h"
#include "common/program_state.h"
#include "grades/maintenance/core/new_examination.h"
#include "platform/db/backup.h"
#include "platform/db/database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

double rawBackup(const QString& from, const QString& to) {
    QElapsedTimer t;
    t.start();
    bench::RawDb src(from, bench::RawDb::Mode::ReadWrite, bench::RawDb::TextOrder::None);
    bench::RawDb dst(to, bench::RawDb::Mode::Create, bench::RawDb::TextOrder::None);
    sqlite3_backup* b = sqlite3_backup_init(dst, "main", src, "main");
    bench::checkSqlite(sqlite3_backup_step(b, -1), dst);
    sqlite3_backup_finish(b);
    dst.close();
    src.close();
    return bench::msSince(t);
}

double rawRefresh(const QString& path) {
    bench::RawDb h(path, bench::RawDb::Mode::ReadWrite, bench::RawDb::TextOrder::None);
    QString scoreFields, teacherFields;
    for (const QString& f : QStringList{"总分", "平均分"} + bench::kSubjects)
        scoreFields += (scoreFields.isEmpty() ? "" : ", ") + QStringLiteral("[%1] = NULL").arg(f);
    for (const char* f : {"考绩分", "任课班数", "学生总数", "差生人数", "及格人数", "优生人数", "总分", "平均分",
                          "最高分", "最低分", "上期平均分", "上期及格率", "上期优生率", "上期差生率"})
        teacherFields += (teacherFields.isEmpty() ? "" : ", ") + QStringLiteral("[%1] = NULL").arg(QString::fromUtf8(f));
    const QString sql =
        QStringLiteral("BEGIN; UPDATE 成绩表 SET %1; DELETE FROM 相对成绩表; DELETE FROM 绝对成绩表; "
                       "UPDATE 教师表 SET %2; "
                       "UPDATE 状态表 SET 状态 = '否' WHERE rowid = (SELECT rowid FROM 状态表 ORDER BY rowid LIMIT 1 OFFSET 7); "
                       "UPDATE 状态表 SET 状态 = '否' WHERE rowid = (SELECT rowid FROM 状态表 ORDER BY rowid LIMIT 1 OFFSET 8); "
                       "UPDATE 状态表 SET 状态 = '否' WHERE rowid = (SELECT rowid FROM 状态表 ORDER BY rowid LIMIT 1 OFFSET 9); "
                       "UPDATE 状态表 SET 状态 = '成绩表' WHERE rowid = (SELECT rowid FROM 状态表 ORDER BY rowid LIMIT 1 OFFSET 25); "
                       "COMMIT;")
            .arg(scoreFields, teacherFields);
    QElapsedTimer t;
    t.start();
    h.exec(sql);
    return bench::msSince(t);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString school = dir.filePath(QStringLiteral("学生成绩库.mdb"));
    if (!bench::createSchoolDatabase(dir.path(), school, bench::makeSchool()))
        return 1;
    {
        auto db = platform::db::Database::open(school, state().DatabasePassword);
        platform::db::Transaction t(*db);
        db->execute(QStringLiteral("UPDATE 成绩表 SET 总分 = 600, 平均分 = 66.6"));
        db->execute(QStringLiteral("INSERT INTO 绝对成绩表 SELECT * FROM 成绩表"));
        db->execute(QStringLiteral("INSERT INTO 相对成绩表 SELECT * FROM 成绩表"));
        for (int i = 0; i < 180; ++i)
            db->insertRow(QStringLiteral("教师表"),
                          {"姓名", "考绩分", "任课班数", "总分", "任课班级1", "科目1", "任课班级2", "科目2"},
                          {QString::number(i), 80.5, 2, 1234,
                           QStringLiteral("%1级%2班").arg(2004 + i % 3).arg(i % 60 + 1, 2, 10, QLatin1Char('0')),
                           QStringLiteral("语文"),
                           QStringLiteral("%1级%2班").arg(2004 + i % 3).arg((i + 1) % 60 + 1, 2, 10, QLatin1Char('0')),
                           QStringLiteral("数学")});
        t.commit();
    }

    double layerBackup = 1e300, rawBackupMs = 1e300, layerRefresh = 1e300, rawRefreshMs = 1e300;
    QElapsedTimer t;
    for (int round = 0; round < 3; ++round) {
        const QString mine = dir.filePath(QStringLiteral("mine.mdb"));
        const QString theirs = dir.filePath(QStringLiteral("theirs.mdb"));
        QFile::remove(mine);
        QFile::remove(theirs);
        QFile::copy(school, mine);
        QFile::copy(school, theirs);
        {
            auto db = platform::db::Database::open(mine, state().DatabasePassword);
            const QString copy = dir.filePath(QStringLiteral("copy.mdb"));
            QFile::remove(copy);
            t.start();
            platform::db::backupDatabase(*db, copy);
            bench::keepBest(layerBackup, bench::msSince(t));

            t.start();
            maintenance::clearForNewExamination(*db);
            bench::keepBest(layerRefresh, bench::msSince(t));
        }
        const QString rawCopy = dir.filePath(QStringLiteral("rawcopy.mdb"));
        QFile::remove(rawCopy);
        bench::keepBest(rawBackupMs, rawBackup(theirs, rawCopy));
        bench::keepBest(rawRefreshMs, rawRefresh(theirs));
    }
    const bool backupMet = bench::printRatioLine("backup", "layer", layerBackup, rawBackupMs, 2);
    const bool refreshMet = bench::printRatioLine("refresh", "layer", layerRefresh, rawRefreshMs, 3);
    return backupMet && refreshMet ? 0 : 2;
}
