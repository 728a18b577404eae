// A typed query cannot take the machine: a value of gigabytes, a sort the
// engine's step count does not see, a Like that backtracks, or megabytes times
// many rows each end with the work message, in bounded work and memory, and the
// file is left as it was.

#include "support/db_fixture.h"
#include "support/peak_memory.h"

#include "platform/db/recordset.h"

#include "support/test_files.h"

#include <ctime>

using namespace platform::db;

namespace {

using testsupport::s;

// Forty students: a cross join of four copies has 2.56 million rows.
class TypedBounds : public testsupport::DbFixture {
protected:
    void SetUp() override {
        DbFixture::SetUp();
        std::vector<QVariantList> rows;
        for (int i = 0; i < 40; ++i)
            rows.push_back({QStringLiteral("2004%1").arg(i + 1, 4, 10, QLatin1Char('0')), s("2004"), s("01"),
                            QString(QChar(0x4E00 + 97 * i)) + QChar(0x4E00 + i), QString::number(i + 1), 200 + i});
        addStudents(rows);
    }
    std::unique_ptr<Recordset> typed(const QString& sql) {
        return std::make_unique<Recordset>(db_, sql, QVariantList{}, nullptr, SqlOrigin::User);
    }
};

TEST_F(TypedBounds, RunawayQueriesEndWithTheMessageSoonAndSmall) {
    const struct {
        const char* label;
        const char* sql;
        const char* said;
    } cases[] = {
        {"a value of a gigabyte", "select length(randomblob(1000000000)) from 成绩表", "工作量太大"},
        {"a text grown from a blob", "select length(replace(hex(zeroblob(1e8)),'0','00'))", "工作量太大"},
        {"a printf precision", "select length(printf('%.*c', 2e9, 'x'))", "工作量太大"},
        {"a printf precision written out", "select length(printf('%d %.2000000000c', 1, 'x'))", "工作量太大"},
        {"a format width", "select length(format('%s%*d', 'a', -2000000000, 1))", "工作量太大"},
        {"parts joined past the bound",
         "select len(x & x & x & x & x & x & x & x & x & x & x & x & x & x & x & x & x & x & x & x & x & x & x & x"
         " & x & x & x & x & x & x & x & x & x & x & x & x & x & x & x & x)"
         " from (select hex(zeroblob(1500000)) as x)",
         "工作量太大"},
        {"a window over a cross join, sorted",
         "select max(r) from (select row_number() over (order by a.姓名, b.姓名 desc, c.姓名, d.姓名 desc) as r"
         " from 成绩表 a, 成绩表 b, 成绩表 c, 成绩表 d)",
         "工作量太大"},
        {"many values at once, each within the bound",
         "select max(x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x)"
         " from (select zeroblob(4000000) || randomblob(1) as x)",
         "工作量太大"},
        {"values just short of the bound, many rows",
         "select zeroblob(4000000) from 成绩表 a, 成绩表 b", "结果太大"},
        // Like matches within one step of the engine, where no progress handler looks.
        {"a Like that backtracks",
         "SELECT printf('%.*c', 1000000, 'a') LIKE ('*' || printf('%.*c', 20000, 'a') || 'b')", "工作量太大"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const QByteArray before = db_->scalar(s("select group_concat(姓名) from 成绩表")).toByteArray();
        testsupport::PeakMemory memory;
        const std::clock_t started = std::clock();
        try {
            typed(s(c.sql));
            ADD_FAILURE() << "ran to the end";
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), DbError::TooMuchWork);
            EXPECT_TRUE(e.text().contains(s(c.said))) << e.text().toStdString();
        }
        // The processor time spent, not the time waited on a busy machine; loose
        // on purpose (sanitizer builds are slow): a runaway takes tens of seconds.
        EXPECT_LT(double(std::clock() - started) / CLOCKS_PER_SEC, 15.0);
        // Under AddressSanitizer freed memory waits in its quarantine and every
        // block carries red zones: the peak says nothing of the program's own.
#ifndef __SANITIZE_ADDRESS__
        const std::int64_t grew = memory.growth();
        if (grew >= 0) {
            EXPECT_LT(grew, 100 * 1024 * 1024);
        }
#endif
        EXPECT_EQ(db_->scalar(s("select group_concat(姓名) from 成绩表")).toByteArray(), before);
    }
}

// The engine sorts a chunk of rows within one step: its comparisons count as
// work, so that a sort with few steps but many comparisons ends as well.
TEST_F(TypedBounds, SortingCountsAsWork) {
    const QString before = db_->scalar(s("select group_concat(姓名) from (select 姓名 from 成绩表 order by 姓名)")).toString();
    QStringList keys(600, s("a.年级"));
    keys << s("b.姓名");
    const QString sorted =
        s("select count(*) from (select a.姓名 from 成绩表 a, 成绩表 b order by %1)").arg(keys.join(s(", ")));
    EXPECT_EQ(testsupport::errorOf([&] { typed(sorted); }), DbError::TooMuchWork);
    // The order the program sorts by is whole again afterwards.
    EXPECT_EQ(db_->scalar(s("select group_concat(姓名) from (select 姓名 from 成绩表 order by 姓名)")).toString(), before);
    auto few = typed(s("select count(*) from (select a.姓名 from 成绩表 a, 成绩表 b order by a.年级, b.姓名 desc)"));
    EXPECT_EQ(few->value(0).toInt(), 1600);
}

TEST_F(TypedBounds, TheBoundsHoldOnlyWhileATypedQueryRuns) {
    // A long value the program itself makes is no typed query's.
    EXPECT_EQ(db_->scalar(s("select length(zeroblob(10000000))")).toLongLong(), 10'000'000);
    EXPECT_THROW(typed(s("select zeroblob(10000000)")), DbError);
    EXPECT_EQ(db_->scalar(s("select length(zeroblob(10000000))")).toLongLong(), 10'000'000);
    // Nor is a long Like of the program's own.
    EXPECT_EQ(db_->scalar(s("select printf('%.*c', 120000, 'a') like ('*' || printf('%.*c', 1000, 'a') || 'b')")).toInt(), 0);
    // The engine's printf behind the guard, formats of every kind.
    auto printed = typed(s("select printf('%5.2f|%-4s|%03d|%*d|%.*s|%c|%%|%q', 3.14159, 'ab', 7, 3, 5, 2, 'xyz', 'w', 'it''s'),"
                           " format('%s', 姓名), printf(null), printf('%lld', 12) from 成绩表 where 学号 = '1'"));
    ASSERT_EQ(printed->recordCount(), 1);
    EXPECT_EQ(printed->value(0).toString(), s(" 3.14|ab  |007|  5|xy|w|%|it''s"));
    EXPECT_EQ(printed->value(1).toString(), QString(QChar(0x4E00)) + QChar(0x4E00));
    EXPECT_TRUE(printed->value(2).isNull());
    EXPECT_EQ(printed->value(3).toString(), s("12"));
    // An ordinary typed query over the school, long values and a sort included.
    auto rs = typed(s("select 姓名, length(zeroblob(1000000)) as n from 成绩表 a order by 姓名 desc"));
    EXPECT_EQ(rs->recordCount(), 40);
    auto joined = typed(s("select count(*) from 成绩表 a, 成绩表 b, 成绩表 c"));
    EXPECT_EQ(joined->value(0).toInt(), 64000);
}

} // namespace
