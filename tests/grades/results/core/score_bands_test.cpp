// Score bands: the notation, the saved options, the figures of a class and
// the fixed-column report in its four cases.

#include "grades/results/core/score_bands.h"

#include "platform/db/recordset.h"
#include "platform/text/gbk.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

using namespace bands;
using platform::db::Recordset;

namespace {

const QString kBandsCrlf = QStringLiteral("\r\n");

struct LineCase {
    const char* line;
    bool band;
    ScoreBand expected;
};

TEST(BandNotation, EachLineGivesItsBand) {
    const LineCase cases[] = {
        {"(30)", true, {30, 0, -1, 0, 0}},
        {"[30-60", true, {30, 1, 60, 0, 0}},
        {"30-60", true, {30, 0, 60, 0, 0}},
        {"[60-70-80)", true, {60, 1, 70, 0, 0}},
        {"(-0)", true, {-1, 0, 0, 0, 0}},
        {"%[80-100]", true, {80, 1, 100, 1, 1}},
        {"[ 3 0 -60)", true, {30, 1, 60, 0, 0}},
        {"[60-)   'any comment", true, {60, 1, -1, 0, 0}},
        {"[59.5-60分)", true, {59.5f, 1, 60, 0, 0}},
        {"[0-)", false, {}},
        {"(0-)", false, {}},
        {"()", false, {}},
        {"abc", false, {}},
        {"     ", false, {}},
    };
    for (const auto& c : cases) {
        const BandTable t = ParseBandNotation(QString::fromUtf8(c.line) + kBandsCrlf);
        ASSERT_EQ(t.size(), c.band ? 1u : 0u) << c.line;
        if (c.band) {
            EXPECT_EQ(t[0], c.expected) << c.line;
        }
    }
}

TEST(BandNotation, BuiltInTextGivesFiveBandsAndItsExactBytes) {
    const QString text = builtInBandNotation();
    EXPECT_EQ(platform::toGbk(text).size(), 206);
    EXPECT_EQ(text.count(kBandsCrlf), 6);
    EXPECT_TRUE(text.startsWith(QStringLiteral("   ' \"'\"号后")));
    const BandTable t = ParseBandNotation(text);
    const BandTable expected = {{-1, 0, 30, 0, 0}, {30, 1, 60, 0, 0}, {0, 0, 60, 0, 1}, {60, 1, -1, 0, 0},
                                {80, 1, 100, 1, 1}};
    EXPECT_EQ(t, expected);
    EXPECT_EQ(BuildBandCaptions(t),
              (QStringList{"30分以下人数     ", "30-60分人数      ", "0-60分百分率     ", "60分以上人数     ",
                           "80-100分百分率   "}));
}

TEST(BandNotation, LastLineWithoutBreakEmptyAndCommentOnlyTexts) {
    EXPECT_EQ(ParseBandNotation(QStringLiteral("(-30)\r\n[60-)")).size(), 2u);
    EXPECT_EQ(ParseBandNotation(QStringLiteral("[60-)\n(-30)")).size(), 2u);
    EXPECT_TRUE(ParseBandNotation(QString()).empty());
    EXPECT_TRUE(ParseBandNotation(QStringLiteral("' only a comment\r\n\r\n   \r\n")).empty());
    // A caption wider than 17 columns keeps its width.
    EXPECT_EQ(BuildBandCaptions(ParseBandNotation(QStringLiteral("[1000.5-2000.25]%"))),
              QStringList{"1000.5-2000.25分百分率"});
}

TEST(BandTest, BoundsAndBrackets) {
    const BandTable t = ParseBandNotation(builtInBandNotation());
    EXPECT_TRUE(inBand(t[3], 60));
    EXPECT_FALSE(inBand(t[1], 60));
    EXPECT_TRUE(inBand(t[0], 0));
    EXPECT_FALSE(inBand(t[2], 0));
    EXPECT_TRUE(inBand(t[4], 100));
    EXPECT_FALSE(inBand(t[0], 30));
    EXPECT_TRUE(inBand(ParseBandNotation("(-30]")[0], 30));
    EXPECT_FALSE(inBand(ParseBandNotation("(60-")[0], 60));
}

TEST(BandOptions, RowTextBothWays) {
    BandOptions all = readBandOptions("1111111101");
    EXPECT_EQ(all.checks, (std::array<bool, 7>{true, true, true, true, true, true, true}));
    EXPECT_TRUE(all.horizontal);
    EXPECT_EQ(all.spacing, 1);
    EXPECT_EQ(bandOptionsText(all), "1111111101");
    BandOptions none = readBandOptions("0000000000");
    EXPECT_EQ(none.checks, (std::array<bool, 7>{}));
    EXPECT_FALSE(none.horizontal);
    EXPECT_EQ(none.spacing, 0);
    const BandOptions empty = readBandOptions(QString());
    EXPECT_FALSE(empty.horizontal);
    EXPECT_EQ(empty.spacing, 0);
    // The spacing is kept to two digits so the row keeps its ten characters.
    none.spacing = 1000;
    EXPECT_EQ(bandOptionsText(none), "0000000099");
    none.spacing = -2;
    EXPECT_EQ(bandOptionsText(none), "0000000000");
    EXPECT_EQ(bands::typedSpacing("1E9"), 99);
    EXPECT_EQ(bands::typedSpacing("-2"), -2);
    EXPECT_EQ(bands::typedSpacing("abc"), 0);
}

TEST(ClassQueryText, EntriesQuotedAndOrderOnlyByAField) {
    const QStringList fields = {"姓名", "总分", "平均分", "数学"};
    EXPECT_EQ(LoadClassBySubject("2004级01班", "成绩表", "总分", fields).sql,
              "select *  from 成绩表  where 年级='2004' and 班='01' order by \"总分\" desc");
    const ClassQuery grade = LoadClassBySubject("2004级", "绝对成绩表", "数学", fields);
    EXPECT_EQ(grade.sql, "select *  from 绝对成绩表  where 年级='2004' order by \"数学\" desc");
    EXPECT_EQ(grade.gradeId, "2004");
    EXPECT_TRUE(grade.classId.isEmpty());
    EXPECT_EQ(LoadClassBySubject("所有班级", "成绩表", "x; drop", fields).sql, "select *  from 成绩表 ");
    EXPECT_EQ(LoadClassBySubject("2'04级01班", "成绩表", "总分", fields).sql,
              "select *  from 成绩表  where 年级='2''04' and 班='01' order by \"总分\" desc");
}

// Class 01: three students; class 02 has none.
struct BandSchool {
    QStringList subjects{"语文", "数学", "英语"};
    SchoolFixture school{subjects};
    platform::db::Database& db = *school.db();
    BandSchool() {
        const QVariant N;
        add("1", {20, 60, 55, 0});
        add("2", {45, 0, 80, N});
        add("3", {N, N, 0, N});
        db.execute("update 班级表 set 语文='张老师', 数学=null where 年级='2004' and 班='01'");
    }
    void add(const QString& id, const QVariantList& v) {
        db.insertRow("成绩表", {"STID", "年级", "班", "姓名", "平均分", "语文", "数学", "英语"},
                     {id, "2004", "01", "学生" + id, v[0], v[1], v[2], v[3]});
    }
    EntryFigures figures(const QString& entry, bool zeroNotLowest, const BandTable& t) {
        Recordset all(school.db(), "select * from 成绩表");
        QStringList fields;
        for (int i = 0; i < all.fieldCount(); ++i) fields << all.fieldName(i);
        const ClassQuery q = LoadClassBySubject(entry, "成绩表", "总分", fields);
        Recordset rs(school.db(), q.sql);
        Recordset classes(school.db(), "班级表");
        const bool isClass = !q.gradeId.isEmpty() && !q.classId.isEmpty();
        return ComputeBandStatistics(rs, t, zeroNotLowest,
                                     isClass ? teacherRowOf(classes, q.gradeId, q.classId) : QVariantList{},
                                     isClass);
    }
};

TEST(BandStatistics, CountsFiguresAndTeachers) {
    BandSchool s;
    const BandTable t = ParseBandNotation(builtInBandNotation());
    const EntryFigures f = s.figures("2004级01班", true, t);
    ASSERT_EQ(f.figures.size(), 4u * 5);
    // 语文 60, 0, Null: 60 only in 60分以上, 0 and Null below 30 and not in the per-cent band above 0.
    EXPECT_EQ(std::vector<float>(f.bandCounts.begin() + 5, f.bandCounts.begin() + 10),
              (std::vector<float>{2, 0, 0, 1, 0}));
    // 数学 55, 80, 0: one of three in each per-cent band, stored unrounded.
    EXPECT_FLOAT_EQ(f.bandCounts[2 * 5 + 2], 100.0f / 3);
    EXPECT_EQ(std::vector<float>(f.figures.begin() + 10, f.figures.begin() + 15),
              (std::vector<float>{80, 55, 45, 135, 3}));
    // 英语 all 0 or Null: lowest equals highest.
    EXPECT_EQ(std::vector<float>(f.figures.begin() + 15, f.figures.end()), (std::vector<float>{0, 0, 0, 0, 3}));
    EXPECT_EQ(f.teachers, (QStringList{"", "张老师", "      ", "      "}));

    // Unticked: a missing mark is the lowest and lowers the average.
    const EntryFigures g = s.figures("2004级01班", false, t);
    EXPECT_EQ(g.figures[5 + 1], 0);
    EXPECT_EQ(g.figures[5 + 2], 20);
}

TEST(BandStatistics, GradeLevelEmptyNotationAndEmptyClass) {
    BandSchool s;
    const EntryFigures grade = s.figures("2004级", true, ParseBandNotation(builtInBandNotation()));
    EXPECT_EQ(grade.teachers, (QStringList{"", "", "", ""}));
    const EntryFigures none = s.figures("2004级01班", true, {});
    EXPECT_TRUE(none.bandCounts.empty());
    EXPECT_EQ(none.figures[5 + 3], 60);
    // A class without students files zeros, never another class's figures.
    const EntryFigures empty = s.figures("2004级02班", true, ParseBandNotation(builtInBandNotation()));
    EXPECT_EQ(empty.figures, std::vector<float>(20, 0.0f));
    EXPECT_EQ(empty.bandCounts, std::vector<float>(20, 0.0f));
}

// Two bands, two items (平均分, 数学) of one class.
EntryFigures twoItems() {
    EntryFigures f;
    f.bandCounts = {1, 33.33333f, 0, 0};
    f.figures = {78.53333f, 12, 40.5f, 1234.5f, 40, 0, 0, 0, 0, 3};
    f.teachers = {"", "李老师"};
    return f;
}

TEST(BandReport, SingleClassBlockGolden) {
    const QStringList captions = BuildBandCaptions(ParseBandNotation("(-30)\r\n[60-)%"));
    ReportLayout all{{true, true, true, true, true, true}, true, 1};
    EntryFigures f = twoItems();
    f.figures[8] = 1;   // 数学 has a total now
    const QString got = BuildBandReport("2004级01班", {"平均分", "数学  "}, captions, f, all);
    const QString expected =
        "2004级01班\r\n\r\n"
        "      30分以下人数     60分以上百分率   最高分  最低分  平均分  总分    学生人数  教师姓名  \r\n\r\n"
        "平均分   1                33.33333      78.5333 12      40.5    1234.5  40          \r\n\r\n"
        "数学     0                0             0       0       0       1       3          李老师 \r\n\r\n"
        "\r\n";
    EXPECT_EQ(got, expected);

    // Spacing 0, no option: rows under each other, still one blank line at the end; 数学's total 0 leaves it out.
    const ReportLayout bare{{}, true, 0};
    EXPECT_EQ(BuildBandReport("2004级01班", {"平均分", "数学  "}, captions, twoItems(), bare),
              "2004级01班\r\n      30分以下人数     60分以上百分率   \r\n"
              "平均分   1                33.33333      \r\n\r\n");
    // No band: title and header only.
    EXPECT_EQ(BuildBandReport("2004级", {"平均分"}, {}, twoItems(), bare), "2004级\r\n      \r\n\r\n");
}

TEST(BandReport, FourCases) {
    const QStringList entries = {"2004级", "2004级01班", "2004级02班", "所有班级"};
    const QStringList items = {"总分", "平均分", "数学"};
    const QStringList captions = BuildBandCaptions(ParseBandNotation("(-30)"));
    auto entry = [](float avg, float math) {
        EntryFigures f;
        f.bandCounts = {1, 2};
        f.figures = {avg, 0, avg, avg, 1, math, 0, math, math, 1};
        f.teachers = {"", "T"};
        return f;
    };
    const std::vector<EntryFigures> filed = {entry(50, 60), entry(70, 0), entry(30, 20)};
    ReportLayout h{{false, false, true, false, false, true}, true, 0};

    ReportChoice one{"2004级01班", "总分"};
    const QString single = composeBandReport(entries, items, one, filed, captions, h);
    EXPECT_TRUE(single.startsWith("2004级01班\r\n"));
    EXPECT_TRUE(single.contains("平均分   1             70      "));
    EXPECT_FALSE(single.contains("数学  "));   // total 0

    ReportChoice typed{"2009级01班", "总分"};
    EXPECT_EQ(composeBandReport(entries, items, typed, filed, captions, h), QString());
    ReportChoice last{"所有班级", "总分"};
    last.classText = "2004级02班";
    EXPECT_TRUE(composeBandReport(entries, items, last, filed, captions, h).startsWith("2004级02班"));

    ReportChoice all{"所有班级", "总分"};
    const QString blocks = composeBandReport(entries, items, all, filed, captions, h);
    EXPECT_EQ(blocks.count("      30分以下人数"), 3);
    EXPECT_EQ(all.classText, "2004级02班");

    ReportLayout v = h;
    v.horizontal = false;
    ReportChoice total{"2004级01班", "总分"};
    const QString vertical = composeBandReport(entries, items, total, filed, captions, v);
    EXPECT_EQ(total.itemText, "平均分");
    EXPECT_TRUE(vertical.startsWith("平均分\r\n          30分以下人数"));
    EXPECT_TRUE(vertical.contains("\r\n2004级       1             50      "));
    EXPECT_TRUE(vertical.contains("\r\n2004级01班   1             70      "));

    ReportChoice allItems{"所有班级", "总分"};
    const QString perItem = composeBandReport(entries, items, allItems, filed, captions, v);
    EXPECT_TRUE(perItem.startsWith("平均分\r\n"));
    EXPECT_TRUE(perItem.contains("\r\n数学\r\n"));
    EXPECT_EQ(allItems.itemText, "数学");
    EXPECT_EQ(allItems.classText, "所有班级");
}

} // namespace
