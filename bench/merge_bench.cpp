// Measures the merge of another database of this system on the benchmarks'
// school: a source holding the whole school (10,080 students, 180 teachers)
// merged into a target holding half of it, answer Yes (5,040 students
// replaced, 5,040 added), against raw SQLite: the source read with prepared
// statements, target rows found through a hash map, a prepared UPDATE by rowid
// or INSERT, one transaction. Each side works on its own copy; best of three.
// Goal: <= 3x.

#include "bench/support/bench_school.h"
#include "bench/support/raw_sqlite.h"
#include "bench/support/timing.h"
#include "common/program_state.h"
#include "grades/maintenance/core/merge.h"
#include "platform/db/database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

QStringList columns(const bench::RawDb& h, const QString& table) {
    QStringList out;
    auto st = h.prepare(QStringLiteral("PRAGMA table_info([%1])").arg(table));
    while (st.next())
        out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
    return out;
}

QString keyOf(sqlite3_stmt* st, const std::vector<int>& cols) {
    QString key;
    for (int c : cols) {
        if (sqlite3_column_type(st, c) == SQLITE_NULL)
            return {};
        key += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c))) + QChar(0x1f);
    }
    return key;
}

void rawStep(bench::RawDb& dst, bench::RawDb& src, const QString& table, const QStringList& keys, bool replace) {
    const QStringList cols = columns(dst, table);
    std::vector<int> keyCols;
    for (const QString& k : keys)
        keyCols.push_back(int(cols.indexOf(k)));
    QString list, marks, sets;
    for (const QString& c : cols) {
        list += (list.isEmpty() ? "" : ",") + QStringLiteral("[%1]").arg(c);
        marks += marks.isEmpty() ? "?" : ",?";
        sets += (sets.isEmpty() ? "" : ",") + QStringLiteral("[%1]=?").arg(c);
    }
    QHash<QString, qint64> rows;
    {
        auto st = dst.prepare(QStringLiteral("SELECT rowid,%1 FROM [%2] ORDER BY rowid").arg(list, table));
        std::vector<int> shifted;
        for (int k : keyCols) shifted.push_back(k + 1);
        while (st.next()) {
            const QString key = keyOf(st, shifted);
            if (!key.isEmpty() && !rows.contains(key))
                rows.insert(key, sqlite3_column_int64(st, 0));
        }
    }
    auto read = src.prepare(QStringLiteral("SELECT %1 FROM [%2] ORDER BY rowid").arg(list, table));
    auto ins = dst.prepare(QStringLiteral("INSERT INTO [%1](%2) VALUES(%3)").arg(table, list, marks));
    auto upd = dst.prepare(QStringLiteral("UPDATE [%1] SET %2 WHERE rowid=?").arg(table, sets));
    const int n = int(cols.size());
    while (read.next()) {
        const QString key = keyOf(read, keyCols);
        auto it = key.isEmpty() ? rows.end() : rows.find(key);
        bench::RawStatement& w = it == rows.end() ? ins : upd;
        if (it != rows.end() && !replace)
            continue;
        for (int c = 0; c < n; ++c)
            sqlite3_bind_value(w, c + 1, sqlite3_column_value(read, c));
        if (it != rows.end())
            w.bindRowid(n + 1, it.value());
        w.run();
        if (it == rows.end() && !key.isEmpty())
            rows.insert(key, sqlite3_last_insert_rowid(dst));
    }
}

double rawMerge(const QString& target, const QString& source) {
    bench::RawDb dst(target, bench::RawDb::Mode::ReadWrite, bench::RawDb::TextOrder::None);
    bench::RawDb src(source, bench::RawDb::Mode::ReadOnly, bench::RawDb::TextOrder::None);
    QElapsedTimer t;
    t.start();
    dst.exec(QStringLiteral("BEGIN"));
    rawStep(dst, src, QStringLiteral("年级表"), {QStringLiteral("年级")}, true);
    rawStep(dst, src, QStringLiteral("班级表"), {QStringLiteral("年级"), QStringLiteral("班")}, true);
    rawStep(dst, src, QStringLiteral("成绩表"), {QStringLiteral("年级"), QStringLiteral("STID")}, true);
    rawStep(dst, src, QStringLiteral("教师表"), {QStringLiteral("姓名")}, false);
    dst.exec(QStringLiteral("COMMIT"));
    return bench::msSince(t);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("学生成绩库.mdb"));
    if (!bench::createSchoolDatabase(dir.path(), source, bench::makeSchool()))
        return 1;
    const QString half = dir.filePath(QStringLiteral("half.mdb"));
    {
        auto db = platform::db::Database::open(source, state().DatabasePassword);
        platform::db::Transaction t(*db);
        for (int i = 0; i < 180; ++i)
            db->insertRow(QStringLiteral("教师表"), {"姓名", "考绩分", "任课班级1", "科目1"},
                          {QString::number(i), 80.5,
                           QStringLiteral("%1级%2班").arg(2004 + i % 3).arg(i % 60 + 1, 2, 10, QLatin1Char('0')),
                           QStringLiteral("语文")});
        t.commit();
    }
    QFile::copy(source, half);
    {
        auto db = platform::db::Database::open(half, state().DatabasePassword);
        platform::db::Transaction t(*db);
        db->execute(QStringLiteral("DELETE FROM 成绩表 WHERE rowid % 2 = 0"));
        db->execute(QStringLiteral("DELETE FROM 教师表 WHERE rowid % 2 = 0"));
        db->execute(QStringLiteral("DELETE FROM 班级表 WHERE rowid % 2 = 0"));
        t.commit();
    }

    double layer = 1e300, raw = 1e300;
    int replaced = 0, added = 0;
    for (int round = 0; round < 3; ++round) {
        const QString mine = dir.filePath(QStringLiteral("mine.mdb"));
        const QString theirs = dir.filePath(QStringLiteral("theirs.mdb"));
        QFile::remove(mine);
        QFile::remove(theirs);
        QFile::copy(half, mine);
        QFile::copy(half, theirs);
        {
            auto db = platform::db::Database::open(mine, state().DatabasePassword);
            QElapsedTimer t;
            t.start();
            auto from = maintenance::openMergeSource(source, *db);
            const auto r = maintenance::mergeDatabase(*db, *from, true);
            bench::keepBest(layer, bench::msSince(t));
            replaced = r.tables[2].replaced;
            added = r.tables[2].added;
        }
        bench::keepBest(raw, rawMerge(theirs, source));
    }
    std::printf("merge: %d students replaced, %d added\n", replaced, added);
    return bench::printRatioLine("merge", "layer", layer, raw, 3) ? 0 : 2;
}
