#include "support/db_fixture.h"

#include "platform/db/jetsql.h"
#include "platform/db/recordset.h"
#include "support/test_files.h"

using namespace platform::db;

namespace {

using testsupport::s;

class JetSqlTest : public testsupport::DbFixture {
protected:
    void SetUp() override {
        DbFixture::SetUp();
        addStudents({{s("20040001"), s("2004"), s("01"), s("张三"), s("01"), 250},
                     {s("20040002"), s("2004"), s("01"), s("李四"), s("02"), 280},
                     {s("20040003"), s("2004"), s("02"), s("王五"), s("03"), 85.3},
                     {s("20040004"), s("2004"), s("02"), s("abc"), s("04"), QVariant()},
                     {s("20050001"), s("2005"), s("01"), s("ABD"), s(" 1"), 199.5}});
    }
    // The rows of a query, each as its cells joined by "|".
    QStringList rowsOf(const QString& sql, SqlOrigin origin = SqlOrigin::Program) {
        Recordset rs(db_, sql, {}, nullptr, origin);
        QStringList out;
        for (int r = 0; r < rs.recordCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < rs.fieldCount(); ++c)
                cells << rs.valueAt(r, c).toString();
            out << cells.join(u'|');
        }
        return out;
    }
};

TEST_F(JetSqlTest, CommonFormsOfTheOldDialectGiveItsResults) {
    struct Case {
        const char* sql;
        QStringList rows;
    };
    const Case cases[] = {
        {"select 姓名 from 成绩表 where 年级='2004' order by 总分 desc",
         {s("李四"), s("张三"), s("王五"), s("abc")}},
        {"select [姓名] from [成绩表] where [班]='02'", {s("王五"), s("abc")}},
        // Letters without case, then the pinyin order of GBK: li < wang < zhang.
        {"select 姓名 from 成绩表 order by 姓名", {s("abc"), s("ABD"), s("李四"), s("王五"), s("张三")}},
        {"select 姓名 from 成绩表 where 姓名='ABC'", {s("abc")}},
        {"select 姓名 from 成绩表 where 姓名 Like '张*'", {s("张三")}},
        {"select 姓名 from 成绩表 where 姓名 like 'ab%'", {s("abc"), s("ABD")}},
        {"select 姓名 from 成绩表 where 姓名 Like '?四'", {s("李四")}},
        {"select 姓名 from 成绩表 where 姓名 Like '[张王]*'", {s("张三"), s("王五")}},
        {"select 姓名 from 成绩表 where 姓名 not like '*[!a-c]'", {s("abc")}},
        {"select STID from 成绩表 where STID Like '2005####'", {s("20050001")}},
        // "&" joins texts; a Null counts as "", a Single shows as written.
        {"select 年级 & '级' & 班 & '班' from 成绩表 where 班='02'", {s("2004级02班"), s("2004级02班")}},
        {"select 姓名 & 总分 from 成绩表 where 班='02'", {s("王五85.3"), s("abc")}},
        {"select 姓名 from 成绩表 where 年级 & 班 = '200401' and (学号 & 'x') = '02x'", {s("李四")}},
        {"select IIf(总分>=250,'好','差'), Val(学号) + 1 from 成绩表 where 班='01'",
         {s("好|2"), s("好|3"), s("差|2")}},
        {"select Mid(STID,5), Mid(STID,5,2), Len(姓名), Left(STID,4), Right(STID, 2), Trim(' x ') "
         "from 成绩表 where STID='20040001'",
         {s("0001|00|2|2004|01|x")}},
        {"select UCase(姓名), Nz(考号, '-'), Int(-1.5), CInt(2.5) from 成绩表 where 班='02'",
         {s("王五|-|-2|2"), s("ABC|-|-2|2")}},
        {"select 姓名 from 成绩表 where 年级='2005';", {s("ABD")}},
        {"select 年级, count(*) from 成绩表 group by 年级", {s("2004|4"), s("2005|1")}},
        {"select 姓名 from 成绩表 where 姓名 = 'a&b' or 姓名 Like '*#*'", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(rowsOf(s(c.sql)), c.rows);
    }
}

// What a user types divides as the old engine did; what the windows write
// keeps SQLite's division.
TEST_F(JetSqlTest, TypedArithmeticDividesAsTheOldEngine) {
    const struct {
        const char* sql;
        const char* typed;
        const char* program;   // null: the engine refuses the text
    } cases[] = {
        {"select 1/4, 7/2, 4/2, -9/4", "0.25|3.5|2|-2.25", "0|3|2|-2"},
        {"select 1/3*3, (1/3)*3", "1|1", "0|0"},
        {"select 7 \\ 2, -7 \\ 2, 7 Mod 3, -7 mod 3, 7 MOD -3", "3|-3|1|-1|1", nullptr},
        // Operands rounded first, halves to even; a whole number either way.
        {"select 2.5 \\ 1, 3.5 \\ 1, 7.6 \\ 2.5, 7 mod 2.5, 2e+1 \\ 3", "2|4|4|1|6", nullptr},
        // "*" and "/" bind tighter than "\", which binds tighter than Mod, and Mod tighter than "+" and "-".
        {"select 10 \\ 3 * 2, 10 mod 7 \\ 2, 1 + 7 mod 4 * 2, 10 - 7 \\ 2, 2 * -3 \\ 2, 9 / 2 \\ 2",
         "1|1|8|7|-3|2", nullptr},
        {"select 'a' & 7 \\ 2 & 'b', (7 \\ 2) mod 2, abs(-7 mod 4)", "a3b|1|3", nullptr},
        // Nothing to divide by gives Null, as does a Null.
        {"select 1/0, 7 \\ 0, 7 mod 0, null \\ 2, 5 mod null", "||||", nullptr},
        // Fields, a note and a name that only looks like Mod.
        {"select 总分 \\ 100, 总分 mod 100 from 成绩表 where STID = '20040002' -- 280 / 3 \\ mod",
         "2|80", nullptr},
        {"select 5 mod, 6 as mod from 成绩表 where STID = '20040001'", "5|6", "5|6"},
        {"select count(*) from 成绩表 where 学号 / 2 = 1.5", "1", "0"},
        {"select 1/4 from 成绩表 limit 1", "0.25", "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(rowsOf(s(c.sql), SqlOrigin::User), QStringList{s(c.typed)});
        if (c.program)
            EXPECT_EQ(rowsOf(s(c.sql)), QStringList{s(c.program)});
        else
            EXPECT_THROW(rowsOf(s(c.sql)), DbError);
    }
    // A text that is no number cannot be divided so.
    EXPECT_THROW(rowsOf(s("select 'x' \\ 2"), SqlOrigin::User), DbError);
    // A column keeps the name its text had as typed, or the name given it.
    Recordset rs(db_,
                 s("select distinct 1/3, STID, 总分 \\ 2 n, 7 mod 2 as \"m\", 学号 & '号', (select 1/2) from 成绩表 "
                   "where STID = '20040001' -- 1/4"),
                 {}, nullptr, SqlOrigin::User);
    QStringList names;
    for (int i = 0; i < rs.fieldCount(); ++i)
        names << rs.fieldName(i);
    EXPECT_EQ(names, (QStringList{s("1/3"), s("STID"), s("n"), s("m"), s("学号 & '号'"), s("(select 1/2)")}));
    EXPECT_EQ(rs.valueAt(0, 5).toString(), s("0.5"));
}

// A note is blank wherever it stands: after an operator's right operand, before
// "," or "from", it neither hides the rest of a translated call nor the name
// the column gets as typed.
TEST_F(JetSqlTest, NotesInTypedSqlStayNotes) {
    const struct {
        const char* sql;
        QStringList names;
        const char* row;
    } cases[] = {
        {"select STID, 总分 mod 100 -- 余数\nfrom 成绩表", {s("STID"), s("总分 mod 100")}, "20040002|80"},
        {"select STID, 总分 \\ 3 -- 商\nfrom 成绩表", {s("STID"), s("总分 \\ 3")}, "20040002|93"},
        {"select STID, 总分 / 8 -- 八分之一\nfrom 成绩表", {s("STID"), s("总分 / 8")}, "20040002|35"},
        {"select STID, 姓名 & 学号 -- 连\nfrom 成绩表", {s("STID"), s("姓名 & 学号")}, "20040002|李四02"},
        {"select 总分 mod 100 -- 余数\n, 学号 from 成绩表", {s("总分 mod 100"), s("学号")}, "80|02"},
        {"select 总分 \\ 3 /* 商 */, 学号 from 成绩表", {s("总分 \\ 3"), s("学号")}, "93|02"},
        {"select 总分 / 8 -- /\n, 学号 from 成绩表", {s("总分 / 8"), s("学号")}, "35|02"},
        {"select 姓名 & 学号 /* & */, 学号 from 成绩表", {s("姓名 & 学号"), s("学号")}, "李四02|02"},
        {"select 总分 mod 100 /* 余数 */ from 成绩表", {s("总分 mod 100")}, "80"},
        {"select 总分 / 8 /* ) */ from 成绩表", {s("总分 / 8")}, "35"},
        // Between an operand and its operator, and between a name and its bracket.
        {"select 总分 -- 总\n mod /* m */ 100 from 成绩表", {s("总分 mod 100")}, "80"},
        {"select Left /* 左 */ (姓名, 1) & 'x' from 成绩表", {s("Left (姓名, 1) & 'x'")}, "李x"},
        {"select 总分 \\ 3 as 商 -- 名\n, 总分 mod 100 /* 余 */ 余 from 成绩表", {s("商"), s("余")}, "93|80"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        QStringList names, cells;
        try {
            Recordset rs(db_, s(c.sql) + s(" where STID = '20040002'"), {}, nullptr, SqlOrigin::User);
            for (int i = 0; i < rs.fieldCount(); ++i) {
                names << rs.fieldName(i);
                cells << rs.valueAt(0, i).toString();
            }
        } catch (const DbError& e) {
            ADD_FAILURE() << e.text().toStdString();
        }
        EXPECT_EQ(names, c.names);
        EXPECT_EQ(cells.join(u'|'), s(c.row));
    }
}

TEST_F(JetSqlTest, SingleTableSelectsStayUpdatable) {
    const struct {
        const char* sql;
        const char* name;
    } cases[] = {{"select 姓名,学号 from 成绩表 where STID = '20040001';", "张一"},
                 {"select 年级 & 班 as 班级, 姓名 from 成绩表 where STID Like '2004*1' order by 2", "张二"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        Recordset rs(db_, s(c.sql));
        ASSERT_TRUE(rs.isUpdatable());
        rs.setValue(s("姓名"), s(c.name));
        rs.update();
        EXPECT_EQ(db_->scalar(s("select 姓名 from 成绩表 where STID = '20040001'")).toString(), s(c.name));
    }
}

TEST_F(JetSqlTest, DeepNestingIsRefusedAndLongTextsTranslateInLinearTime) {
    const QString deep = s("select ") + QString(40000, u'(') + s("1") + QString(40000, u')') + s(" from 成绩表");
    for (const QString& sql : {deep, QString(deep).replace(s("1"), s("'a' & 'b'"))}) {
        try {
            toSqliteSql(sql);
            ADD_FAILURE() << "deep nesting passed";
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), DbError::BadSql);
        }
    }
    // Nesting a person writes still works, with "&" inside.
    EXPECT_EQ(rowsOf(s("select ((((年级 & '级'))) & 班) from 成绩表 where STID='20040001'")), QStringList{s("2004级01")});
    // 20,000 chains of "&" and brackets side by side: linear, so this is quick.
    QStringList parts;
    for (int i = 0; i < 20000; ++i)
        parts << s("(姓名 & '%1')").arg(i % 10);
    const QString wide = toSqliteSql(s("select ") + parts.join(s(" & ")) + s(" from 成绩表"));
    EXPECT_TRUE(wide.startsWith(s("select jet_concat((jet_concat(姓名, '0')), ")));
}

TEST(JetLike, WildcardsAndSets) {
    struct Case {
        const char* text;
        const char* pattern;
        bool match;
    };
    const Case cases[] = {
        {"张三", "张*", true},   {"张三", "张%", true},  {"张三", "*三", true},  {"张三丰", "张?", false},
        {"张三", "张_", true},   {"A1", "a#", true},     {"AB", "a#", false},    {"b", "[a-c]", true},
        {"d", "[!a-c]", true},   {"b", "[!a-c]", false}, {"[", "[", true},       {"a*b", "a[*]b", true},
        {"", "*", true},         {"", "?", false},       {"abc", "a*c*", true},  {"abcd", "a*c", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(jetLike(s(c.text), s(c.pattern)), c.match) << c.text << " like " << c.pattern;
    // Many stars against a long text that almost matches: no exponential search.
    EXPECT_FALSE(jetLike(QString(3000, u'a'), QString(40, u'*') + s("a*a*a*a*a*a*a*a*a*a*a*b")));
    EXPECT_TRUE(jetLike(QString(3000, u'a') + s("b"), s("*a*a*a*a*a*a*a*a*a*a*a*b")));
}

} // namespace
