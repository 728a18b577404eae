// Measures the import of a table of another database file on the benchmarks'
// school: 10,080 students (name, grade level, class, nine marks; no STID and
// no 学号) read from a source file of this system into a school with its
// grade levels and classes but no students, every row appended, the record
// check on. Against raw SQLite: the source read with a prepared statement,
// the counters, ids and class numbers computed in C++ from hash maps, a
// prepared INSERT per row in one transaction. Each side works on its own copy
// of the target; best of three. Goal: <= 3x.

#include "bench/support/bench_school.h"
#include "bench/support/raw_sqlite.h"
#include "bench/support/timing.h"
#include "common/program_state.h"
#include "grades/maintenance/core/external_import.h"
#include "platform/db/database.h"
#include "platform/db/foreign_database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

const QString kTable = QStringLiteral("学生名单");

// The source: a plain student list in a database of this system.
void makeSource(const QString& path, const std::vector<bench::Student>& school) {
    auto db = platform::db::Database::create(path);
    platform::db::TableDef def{kTable, {}};
    def.fields.push_back({QStringLiteral("姓名"), platform::db::FieldType::Text, 10});
    def.fields.push_back({QStringLiteral("年级"), platform::db::FieldType::Text, 4});
    def.fields.push_back({QStringLiteral("班"), platform::db::FieldType::Text, 2});
    for (const QString& s : bench::kSubjects)
        def.fields.push_back({s, platform::db::FieldType::Single});
    db->createTable(def);
    QStringList names;
    for (const auto& f : def.fields)
        names << f.name;
    platform::db::Transaction t(*db);
    for (const bench::Student& s : school) {
        QVariantList v{s.values[3], s.values[1], s.values[2]};
        for (int k = 0; k < bench::kSubjects.size(); ++k)
            v << s.values[10 + k];
        db->insertRow(kTable, names, v);
    }
    t.commit();
}

struct NoQuestions final : maintenance::ImportQuestions {
    bool overwriteSameName(const QString&) override { std::exit(3); }
    QString input(const QString&, const QString&, const QString&) override { std::exit(3); }
    bool stopAfterCancel() override { std::exit(3); }
};

int layerImport(const QString& target, const QString& source) {
    auto db = platform::db::Database::open(target, state().DatabasePassword);
    maintenance::ImportCounters counters = maintenance::ImportCounters::load(*db);
    auto from = platform::db::ForeignDatabase::open(source);
    const maintenance::SourceRows rows = maintenance::readSourceRows(*from, kTable, {});
    maintenance::ExternalImportPlan plan;
    plan.targetTable = QStringLiteral("成绩表");
    for (const auto& f : db->tableDef(plan.targetTable).fields)
        plan.pairedSourceFields << (rows.fields.contains(f.name) ? f.name : QString());
    plan.check = true;
    maintenance::CheckState current;
    NoQuestions questions;
    const auto r = maintenance::runExternalImport(*db, rows, plan, counters, current, questions);
    if (r.kind != maintenance::ImportResult::Kind::Done) {
        std::fprintf(stderr, "import: %s\n", qPrintable(r.refusal.text));
        std::exit(1);
    }
    return r.added;
}

double rawImport(const QString& target, const QString& source) {
    bench::RawDb dst(target, bench::RawDb::Mode::ReadWrite, bench::RawDb::TextOrder::None);
    bench::RawDb src(source, bench::RawDb::Mode::ReadOnly, bench::RawDb::TextOrder::None);
    QElapsedTimer t;
    t.start();
    QHash<QString, qint64> gradeCount, classCount;
    for (auto st = dst.prepare(QStringLiteral("SELECT 年级 FROM 年级表")); st.next();)
        gradeCount.insert(st.text(0), 0);
    for (auto st = dst.prepare(QStringLiteral("SELECT 年级 || 班 FROM 班级表")); st.next();)
        classCount.insert(st.text(0), 0);

    QString marks, list;
    for (const QString& s : bench::kSubjects) {
        list += QStringLiteral(",[%1]").arg(s);
        marks += QStringLiteral(",?");
    }
    auto read = src.prepare(QStringLiteral("SELECT 姓名,年级,班%1 FROM [%2] ORDER BY rowid").arg(list, kTable));
    auto ins = dst.prepare(QStringLiteral("INSERT INTO 成绩表(STID,年级,班,姓名,学号%1) VALUES(?,?,?,?,?%2)").arg(list, marks));
    dst.exec(QStringLiteral("BEGIN"));
    const int subjects = int(bench::kSubjects.size());
    while (read.next()) {
        const QString grade = read.text(1), cls = read.text(2);
        const qint64 serial = ++gradeCount[grade];
        const qint64 number = ++classCount[grade + cls];
        const QByteArray id = (grade + QStringLiteral("%1").arg(serial, 4, 10, QLatin1Char('0'))).toUtf8();
        const QByteArray no = QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0')).right(3).toUtf8();
        sqlite3_bind_text(ins, 1, id.constData(), int(id.size()), SQLITE_TRANSIENT);
        sqlite3_bind_value(ins, 2, sqlite3_column_value(read, 1));
        sqlite3_bind_value(ins, 3, sqlite3_column_value(read, 2));
        sqlite3_bind_value(ins, 4, sqlite3_column_value(read, 0));
        sqlite3_bind_text(ins, 5, no.constData(), int(no.size()), SQLITE_TRANSIENT);
        for (int k = 0; k < subjects; ++k)
            sqlite3_bind_value(ins, 6 + k, sqlite3_column_value(read, 3 + k));
        ins.run();
    }
    dst.exec(QStringLiteral("COMMIT"));
    return bench::msSince(t);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString empty = dir.filePath(QStringLiteral("学生成绩库.mdb"));
    if (!bench::createSchoolDatabase(dir.path(), empty, {}))
        return 1;
    const QString source = dir.filePath(QStringLiteral("source.mdb"));
    makeSource(source, bench::makeSchool());

    double layer = 1e300, raw = 1e300;
    int added = 0;
    for (int round = 0; round < 3; ++round) {
        const QString mine = dir.filePath(QStringLiteral("mine.mdb"));
        const QString theirs = dir.filePath(QStringLiteral("theirs.mdb"));
        QFile::remove(mine);
        QFile::remove(theirs);
        QFile::copy(empty, mine);
        QFile::copy(empty, theirs);
        QElapsedTimer t;
        t.start();
        added = layerImport(mine, source);
        bench::keepBest(layer, bench::msSince(t));
        bench::keepBest(raw, rawImport(theirs, source));
    }
    std::printf("external import: %d students added\n", added);
    return bench::printRatioLine("external import", "layer", layer, raw, 3) ? 0 : 2;
}
