// The calculation hands its rows to the engine several to a statement. Every
// way a batch can end (full, at a grade level's end, on a refusal, on a stop)
// must leave the tables and the log as writing each row by itself leaves
// them: the same run with one row a statement is the reference.

#include "calc_school.h"

#include "common/settings_files.h"
#include "platform/text/gbk.h"
#include "support/other_program.h"
#include "support/test_files.h"

#include <gtest/gtest.h>
#include <QFile>
#include <functional>
#include <utility>

namespace {

using testsupport::str;

constexpr int kBatch = CalculationRun::kRowsAStatement;

// A host that asks for a stop once the run has done `students` students of
// stage `stage` (0 the mark checking, 1 the scaled tables).
struct StopAfterStudents : ScriptedHost {
    int stage = 0, students = 0, seen = 0;
    void progress(float share) override {
        ScriptedHost::progress(share);
        if (!stages.isEmpty() && stages.back() == stage && ++seen == students)
            stopFlag = true;
    }
};

// `first` students in 2004 and `second` in 2005, in two classes, every mark
// of its own. 语文 is left empty: its full mark of 0.001 lets a case scale
// one student's mark past what a single holds.
void school(CalcSchool& s, int first, int second) {
    const QVariant e;
    s.inputs.askZeroTotal = false;
    s.fullMarks("2004", {0.001, 100, 100});
    s.fullMarks("2005", {0.001, 150, 120});
    platform::db::Transaction t(s.db());   // one write to the disk, not one a student
    for (int i = 0; i < first + second; ++i) {
        const bool older = i < first;
        s.student(older ? "2004" : "2005", i % 3 ? "01" : "02", QStringLiteral("生") + QChar(0x4E00 + i),
                  {e, 30 + (i * 7) % 70, i % 5 ? QVariant(40 + (i * 11) % 60) : e});
    }
    t.commit();
}

QString stid(const QString& grade, int serial) { return grade + QStringLiteral("%1").arg(serial, 4, 10, QLatin1Char('0')); }

struct Outcome {
    End end;
    QString said;
    QString tables;
    QByteArray log;
    int scaledRows;
};

// One run with `rows` rows a statement, on `db`.
Outcome runOn(CalcSchool& s, const std::shared_ptr<platform::db::Database>& db, int rows, int stopStage,
              int stopAfter) {
    s.rowsAStatement = rows;
    StopAfterStudents host;
    host.stage = stopStage;
    host.students = stopAfter;
    host.answer(RunAnswer::Yes);
    if (stopStage < 0)
        host.answer(RunAnswer::Ok);   // the completion or the failure
    const End end = s.run(host, db);
    const int scaled = db->scalar("SELECT (SELECT count(*) FROM 绝对成绩表) + (SELECT count(*) FROM 相对成绩表)").toInt();
    // The completion names the log in the school's own folder.
    const QString said = host.lastMessage().replace(programFolder(), QStringLiteral("<folder>"));
    return {end, said, CalcSchool::everything(*db), s.logBytes(), scaled};
}

// The school `setUp` builds, run in batches and, on a copy of its file made
// before, one row a statement.
std::pair<Outcome, Outcome> runBoth(const std::function<void(CalcSchool&)>& setUp, int stopStage = -1,
                                    int stopAfter = 0) {
    CalcSchool s;
    setUp(s);
    const QString copy = s.school.folder() + QStringLiteral("/参照.mdb");
    EXPECT_TRUE(QFile::copy(s.school.databasePath(), copy));
    const float students = state().StudentCount;
    const Outcome batched = runOn(s, s.school.db(), kBatch, stopStage, stopAfter);
    state().StudentCount = students;
    return {batched, runOn(s, platform::db::Database::open(copy, state().DatabasePassword), 1, stopStage, stopAfter)};
}

void expectSame(const Outcome& batched, const Outcome& single) {
    EXPECT_EQ(int(batched.end), int(single.end));
    EXPECT_EQ(str(batched.said), str(single.said));
    EXPECT_EQ(str(batched.tables), str(single.tables));
    EXPECT_EQ(batched.log.size(), single.log.size());
    EXPECT_TRUE(batched.log == single.log) << str(platform::fromGbk(batched.log).right(2000));
}

} // namespace

// Grade levels one short of a batch, a batch, one past it, two batches, one
// past them and three: each student's line ends where it ends, and four empty
// lines follow a level's last student.
TEST(CalculationBatchEdges, EverySizeOfAGradeLevelWritesWhatOneRowAStatementWrites) {
    for (const int n : {kBatch - 1, kBatch, kBatch + 1, 2 * kBatch, 2 * kBatch + 1, 3 * kBatch}) {
        SCOPED_TRACE(n);
        const auto [batched, single] = runBoth([n](CalcSchool& s) { school(s, n, n); });
        ASSERT_EQ(batched.end, End::Completed) << str(batched.said);
        expectSame(batched, single);
        EXPECT_TRUE(batched.log.contains(platform::toGbk(QStringLiteral("  \r\n\r\n\r\n\r\n\r\n2005级\r\n"))));
        EXPECT_TRUE(batched.log.contains(platform::toGbk(QStringLiteral("  \r\n\r\n\r\n\r\n\r\n教师情况\r\n"))));
        EXPECT_EQ(batched.scaledRows, 2 * 2 * n);
    }
}

// A refusal of the row on either side of a batch edge, in the totals or in
// the scaled tables (in one table or both): the students before it are
// written and logged, each line whole, and nothing after it.
TEST(CalculationBatchEdges, ARefusalAtEitherSideOfABatchEdgeKeepsWhatOneRowAStatementKeeps) {
    struct Kind {
        const char* name;
        std::function<void(CalcSchool&, const QString& stid)> refuse;
        const char* said;
        bool inTables;   // refused by the scaled tables, after the totals
    };
    const Kind kinds[] = {
        {"a total beyond a single",
         [](CalcSchool& s, const QString& id) {
             s.db().execute("UPDATE 成绩表 SET 语文=-3e38, 数学=-3e38 WHERE STID=?", {id});
         },
         "字段 总分 的数值超出范围.", false},
        {"a scaled total beyond a single, in 绝对成绩表 only",
         [](CalcSchool& s, const QString& id) { s.db().execute("UPDATE 成绩表 SET 语文=-3e38 WHERE STID=?", {id}); },
         "字段 总分 的数值超出范围.", true},
        {"a name too long for both scaled tables",
         [](CalcSchool& s, const QString& id) {
             testsupport::OtherProgram other(s.school.databasePath());
             other.run("PRAGMA ignore_check_constraints=1");
             other.run(QStringLiteral("UPDATE 成绩表 SET 姓名='欧阳长名字' WHERE STID='%1'").arg(id));
         },
         "字段 姓名 最多只能有 3 个字符.", true},
    };
    for (const Kind& kind : kinds)
        for (const int row : {kBatch, kBatch + 1}) {
            SCOPED_TRACE(std::string(kind.name) + ", student " + std::to_string(row));
            auto setUp = [&](CalcSchool& s) {
                school(s, kBatch + 2, 3);
                kind.refuse(s, stid("2004", row));
            };
            const auto [batched, single] = runBoth(setUp);
            EXPECT_EQ(batched.end, End::Failed);
            EXPECT_TRUE(batched.said.contains(QString::fromUtf8(kind.said))) << str(batched.said);
            expectSame(batched, single);
            // The line of the student before the refused one is whole.
            if (kind.inTables) {
                EXPECT_TRUE(batched.log.contains(platform::toGbk(stid("2004", row - 1) + QLatin1Char(' '))));
                EXPECT_TRUE(batched.log.endsWith("  \r\n"));
                EXPECT_FALSE(batched.log.contains(platform::toGbk(stid("2004", row) + QLatin1Char(' '))));
            }
        }
}

// A stop after the student on either side of a batch edge, in the mark
// checking or in the scaled tables: nothing waits after a full batch.
TEST(CalculationBatchEdges, AStopAtEitherSideOfABatchEdgeKeepsWhatOneRowAStatementKeeps) {
    for (const int stage : {0, 1})
        for (const int after : {kBatch, kBatch + 1, 2 * kBatch}) {
            SCOPED_TRACE("stage " + std::to_string(stage) + ", after student " + std::to_string(after));
            const auto [batched, single] = runBoth([](CalcSchool& s) { school(s, 2 * kBatch + 1, 3); }, stage, after);
            EXPECT_EQ(batched.end, End::Stopped);
            expectSame(batched, single);
            if (stage == 1) {
                EXPECT_TRUE(batched.log.endsWith(platform::toGbk(QStringLiteral("  \r\n")))) << after;
            }
        }
}
