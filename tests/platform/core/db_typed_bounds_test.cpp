// A typed query cannot take the machine: a value of gigabytes, a sort the
// engine's step count does not see, a Like that backtracks, or megabytes times
// many rows each end with the work message, in bounded work and memory, and the
// file is left as it was.

#include "support/db_fixture.h"
#include "support/peak_memory.h"

#include "platform/db/jetsql.h"
#include "platform/db/recordset.h"

#include <QRegularExpression>

#include "support/test_files.h"

#include <algorithm>
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

// Every function a typed query may call ends within the bound, however long
// the work one call is asked to do: ours count it, the engine's are only those
// whose work the length limit keeps short. A row may cover several functions;
// every function of the typed dialect is called by some row.
TEST_F(TypedBounds, EveryFunctionOfTheTypedDialectEndsWithinTheBound) {
    // 102 million rows, past the engine steps of the bound however quickly
    // they go, and texts of millions of characters.
    const char* rows5 = " from 成绩表 a, 成绩表 b, 成绩表 c, 成绩表 d, 成绩表 e";
    const char* long2 = " from (select printf('%.*c', 3000000, 'a') as x, 12.5 as n), 成绩表 a, 成绩表 b";
    const char* work = "工作量太大";
    const struct {
        const char* sql;
        const char* from;   // appended
        const char* said;   // the message, or the value a linear answer gives
    } cases[] = {
        // The four of the report: a search or a set inside one call.
        {"SELECT instr(printf('%.*c', 4000000, 'a'), printf('%.*c', 1000000, 'a') || 'b') AS m", "", "0"},
        {"SELECT length(replace(printf('%.*c', 4000000, 'a'), printf('%.*c', 1000000, 'a') || 'b', 'x')) AS m", "",
         "4000000"},
        {"SELECT printf('%.*c', 1000000, 'a') GLOB ('*' || printf('%.*c', 20000, 'a') || 'b') AS m", "", work},
        {"SELECT printf('%.*c', 100000, 'a') LIKE ('*[' || printf('%.*c', 4000000, 'c') || 'a]b') AS m", "", work},
        // The same kinds, worse.
        // (The engine's glob takes patterns of 50,000 bytes at most.)
        {"select printf('%.*c', 1000000, 'a') GLOB ('*[' || printf('%.*c', 40000, 'c') || 'a]b')", "", work},
        {"select printf('%.*c', 100000, 'a') like ('*[!' || printf('%.*c', 4000000, 'c') || '] ') escape '!'", "",
         work},
        {"select length(trim(printf('%.*c', 2000000, 'a'), printf('%.*c', 2000000, 'b') || 'a'))", "", "0"},
        {"select sum(instr(x, 'b') + instr(2, x, x || 'b') + length(replace(x, 'a', 'bc')))", long2, work},
        {"select sum(glob('*b', x) + (x like '*b') + (x like '*b' escape '!'))", long2, work},
        {"select sum(length(trim(x, 'b')) + length(ltrim(x, 'b')) + length(rtrim(x, 'b')))", long2, work},
        {"select sum(len(x & 'b') + len(Mid(x, 2)) + len(Mid(x, 2, 9)) + len(Left(x, 2)) + len(Right(x, 2)))", long2,
         work},
        {"select sum(Val(x) + len(UCase(x)) + len(LCase(x)) + len(Nz(x)) + len(Nz(null, x)) + len(CStr(x)))", long2,
         work},
        {"select sum(len(printf('%s', x)) + len(format('%s', x)) + len(Space(9)) + length(Str(n)))", long2, work},
        {"select sum(Int(n) + Fix(n) + CInt(n) + CLng(n) + CSng(n) + CDbl(n) + msys_single(n)"
         " + a.总分 \\ 3 + a.总分 mod 7)",
         " from (select 12.5 as n), 成绩表 a, 成绩表 b, 成绩表 c, 成绩表 d, 成绩表 e", work},
        // The engine's: one call's work within the length limit, many calls within the steps.
        {"select sum(length(lower(x)) + length(upper(x)) + length(hex(x)) + length(quote(x)) + length(substr(x, 2))"
         " + length(substring(x, 2, 9)) + unicode(x) + length(char(65, 66)) + length(randomblob(9))"
         " + length(zeroblob(9)) + length(typeof(x)))",
         long2, work},
        {"select count(*), avg(a.总分), max(a.总分), min(a.总分), total(a.总分), length(group_concat(a.姓名)),"
         " sum(abs(a.总分) + sign(a.总分) + round(a.总分, 1) + max(a.总分, 1) + min(a.总分, 1) + coalesce(null, 1)"
         " + ifnull(null, 1) + iif(a.总分 > 1, 1, 2) + nullif(1, 2) + likely(1) + unlikely(1) + likelihood(1, 0.5)"
         " + random() % 2 + acos(1 / b.总分) + acosh(b.总分) + asin(1 / b.总分) + asinh(b.总分) + atan(b.总分)"
         " + atan2(1, b.总分) + atanh(1 / b.总分) + ceil(b.总分) + ceiling(b.总分) + cos(b.总分) + cosh(1 / b.总分)"
         " + degrees(b.总分) + exp(1 / b.总分) + floor(b.总分) + ln(b.总分) + log(b.总分) + log10(b.总分) + log2(b.总分)"
         " + mod(b.总分, 7) + pi() + pow(b.总分, 2) + power(b.总分, 2) + radians(b.总分) + sin(b.总分) + sinh(1 / b.总分)"
         " + sqrt(b.总分) + tan(b.总分) + tanh(b.总分) + trunc(b.总分)"
         " + length(date(b.总分) || time(b.总分) || datetime(b.总分) || julianday(b.总分) || strftime('%Y', b.总分)))",
         rows5, work},
        {"select max(r) from (select row_number() over w + rank() over w + dense_rank() over w"
         " + percent_rank() over w + cume_dist() over w + ntile(4) over w + lag(a.总分) over w + lead(a.总分) over w"
         " + first_value(a.总分) over w + last_value(a.总分) over w + nth_value(a.总分, 2) over w as r",
         " from 成绩表 a, 成绩表 b, 成绩表 c, 成绩表 d window w as (order by a.总分, b.总分 desc, c.姓名))", work},
    };
    QStringList translated;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        const QString sql = s(c.sql) + s(c.from);
        translated << typedToSqliteSql(sql).toLower();
        const std::clock_t started = std::clock();
        try {
            auto rs = typed(sql);
            ASSERT_EQ(rs->recordCount(), 1);
            EXPECT_EQ(rs->value(0).toString(), s(c.said));
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), DbError::TooMuchWork) << e.text().toStdString();
            EXPECT_TRUE(e.text().contains(s(c.said))) << e.text().toStdString();
        }
        // Processor time: the bound is two seconds and one call's work; a call
        // that escapes it takes ten seconds or minutes.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        const double bound = 30.0;
#else
        const double bound = 5.0;
#endif
        EXPECT_LT(double(std::clock() - started) / CLOCKS_PER_SEC, bound);
    }
    for (const QString& name : typedSqlFunctions()) {
        const QRegularExpression called(s("\\b%1\\s*\\(|\\b%1 ").arg(name));
        EXPECT_TRUE(std::any_of(translated.begin(), translated.end(),
                                [&](const QString& t) { return t.contains(called); }))
            << "no hostile query calls " << name.toStdString();
    }
}

// Functions outside the typed dialect are unknown to a typed query, with the
// syntax message; the program's own SQL keeps them.
TEST_F(TypedBounds, FunctionsOutsideTheTypedDialectAreRefused) {
    for (const char* sql : {"select json_array(1, 2)", "select length(json_patch('{}', '{}'))", "select sqlite_version()",
                            "select count(*) from 成绩表 where json_valid(姓名)"}) {
        SCOPED_TRACE(sql);
        try {
            typed(s(sql));
            ADD_FAILURE() << "ran";
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), DbError::BadSql);
            EXPECT_TRUE(e.text().startsWith(s("SQL 语句有错: no such function: "))) << e.text().toStdString();
        }
    }
    EXPECT_EQ(db_->scalar(s("select json_array(1, 2)")).toString(), s("[1,2]"));
    // The engine's glob, replace, instr and trim as before, for the program too.
    EXPECT_EQ(db_->scalar(s("select ('abc' glob 'a[^x]?') || ('a]' glob '[]]*') || ('-' glob '[a-]')"
                            " || ('b' glob '[a-c]') || ('x' glob '[abc') || ('A' glob 'a') || ('ab' glob 'a*?b')"
                            " || ('a' glob '[^]a]') || ('^' glob '[]^]') || ('ab' glob '[a-]b') || ('-' glob '[]-a]')"
                            " || ('é' glob '[à-ê]') || ('ab' glob '*[b]') || ('' glob '*') || ('a' glob '')"))
                  .toString(),
              s("101100001111110"));
    EXPECT_EQ(db_->scalar(s("select replace('ababab', 'ab', 'x') || '|' || replace('aaa', '', 'x') || '|'"
                            " || instr('张三四', '四') || instr('abc', '') || instr(2, 'abab', 'ab') || '|'"
                            " || trim('xy张xy', 'yx') || ltrim('张x', '张') || rtrim('x张', '张') || trim('ab', '')"))
                  .toString(),
              s("xxx|aaa|313|张xxab"));
    auto rs = typed(s("select replace(姓名, 姓名, 'x') as r, instr(姓名, '三') as i from 成绩表 where 学号 = '1'"));
    ASSERT_EQ(rs->recordCount(), 1);
    EXPECT_EQ(rs->value(0).toString(), s("x"));
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
