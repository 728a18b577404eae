// The results view's texts over a small school: the query, the listing with
// its mean, the column averages, one student's summary and the search.

#include "grades/results/core/results_view.h"

#include "platform/db/recordset.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

using namespace results;
using platform::db::Database;
using platform::db::Recordset;

namespace {

const QString CRLF = QStringLiteral("\r\n");

struct Student {
    const char* stid;
    const char* cls;
    const char* name;
    const char* examNumber;
    const char* room;
    const char* seat;
    QVariant total, average;
    QVariantList marks;
};

void add(Database& db, const QStringList& subjects, const Student& s) {
    QStringList fields = {"STID", "年级", "班", "姓名", "考号", "考室", "座位", "总分", "平均分"};
    auto text = [](const char* t) { return t ? QVariant(QString::fromUtf8(t)) : QVariant(); };
    QVariantList values = {s.stid, "2004", s.cls, s.name, s.examNumber, text(s.room), text(s.seat), s.total, s.average};
    for (int i = 0; i < s.marks.size(); ++i) {
        fields << subjects[i];
        values << s.marks[i];
    }
    db.insertRow("成绩表", fields, values);
}

const QVariant Null;

// Four students of one class, one without a total, in room 001 by seat.
struct ClassOf4 {
    QStringList subjects{"语文", "数学", "英语"};
    SchoolFixture school{subjects};
    Database& db = *school.db();
    ClassOf4() {
        add(db, subjects, {"20040001", "01", "李四", "2004001", "001", "02", 250.25, 83.4166, {80, Null, 90.5}});
        add(db, subjects, {"20040002", "01", "王小明", "2004002", "001", "01", 300, 100, {100, 100, 100}});
        add(db, subjects, {"20040003", "01", "赵六", "2004003", "001", "03", Null, Null, {}});
        add(db, subjects, {"20040004", "01", "周", "2004004", "002", "01", 99.5, 33.16667, {99.5, Null, Null}});
        add(db, subjects, {"20040005", "02", "孙八", "2004005", "002", "02", 512.5, 85.41667, {1, 2, 3}});
    }
    std::unique_ptr<Recordset> open(const QString& sql) { return std::make_unique<Recordset>(school.db(), sql); }
};

} // namespace

TEST(ResultsViewQuery, ByClassGradeRoomAndKey) {
    struct Case { const char* cls; const char* room; const char* key; const char* sql; };
    const Case cases[] = {
        {"2004级01班", "", "总分", "select *  from 成绩表  where 年级='2004' and 班='01' order by \"总分\" desc"},
        {"2004级", "", "平均分", "select *  from 成绩表  where 年级='2004' order by \"平均分\" desc"},
        {"所有班级", "", "数学", "select *  from 成绩表  order by \"数学\" desc"},
        {"", "7考室", "考号", "select *  from 成绩表  where 考室='007' order by 考室,座位 asc"},
        {"", "12考室", "考号", "select *  from 成绩表  where 考室='012' order by 考室,座位 asc"},
        {"", "123考室", "考号", "select *  from 成绩表  where 考室='123' order by 考室,座位 asc"},
        {"", "所有考室", "考号", "select *  from 成绩表  order by 考室,座位 asc"},
        {"", "", "总分", "select *  from 成绩表  order by \"总分\" desc"},
        // Typed into the lists: the ids stay inside their quotes.
        {"20'4级01班", "", "总分", "select *  from 成绩表  where 年级='20''4' and 班='01' order by \"总分\" desc"},
        {"", "1'考室", "考号", "select *  from 成绩表  where 考室='01''' order by 考室,座位 asc"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(viewQuery("成绩表", c.cls, c.room, c.key), QString::fromUtf8(c.sql)) << c.cls << c.room;
    EXPECT_EQ(viewQuery("绝对成绩表", "", "所有考室", "考号"), "select *  from 绝对成绩表  order by 考室,座位 asc");
}

TEST(ResultsViewQuery, OnlyFieldsOfTheTableSort) {
    const QStringList fields = {"STID", "姓名", "总分", "语文"};
    EXPECT_TRUE(isSortKey(fields, "语文"));
    EXPECT_TRUE(isSortKey(fields, "考号"));
    EXPECT_FALSE(isSortKey(fields, "总分; drop table 成绩表"));
    EXPECT_FALSE(isSortKey(fields, "物理"));
    EXPECT_FALSE(isSortKey(fields, ""));
}

TEST(ResultsViewQuery, SpacingAndPerLineAsTyped) {
    EXPECT_EQ(lineSpacing("2"), 2);
    EXPECT_EQ(lineSpacing("1E9"), 99);   // never gigabytes of line ends
    EXPECT_EQ(lineSpacing("-5"), 0);
    EXPECT_EQ(lineSpacing("abc"), 0);
    EXPECT_EQ(perLine("2.5"), 2);
    EXPECT_EQ(perLine("3.5"), 4);
    EXPECT_EQ(perLine("x"), 0);
}

TEST(ResultsListing, ByTotalAtSpacingZeroAndTwo) {
    ClassOf4 s;
    auto rs = s.open(viewQuery("成绩表", "2004级01班", "", "总分"));
    for (const auto& [spacing, ends] : {std::pair{"0", CRLF}, std::pair{"2", CRLF + CRLF + CRLF}}) {
        ListingChoice choice{"2004级01班", "", "总分", spacing, "2", 3};
        const ListingTexts t = buildListing(*rs, choice);
        ASSERT_FALSE(t.failed);
        EXPECT_TRUE(t.text2Shown);
        // Names fill 6 columns, marks are cut to 5 and never rounded, an empty
        // total is blanks and counts in the divisor.
        EXPECT_EQ(*t.text2, "2004级01班 总分" + ends + "王小明 300  " + "   " + "李四   250.2" + ends +
                                "周     99.5 " + "   " + "赵六        " + ends);
        EXPECT_EQ(*t.lab6a, "平均:  162.43");   // 649.75 / 4
    }
    EXPECT_EQ(rs->absolutePosition(), 1);   // the walk does not move the cursor
}

TEST(ResultsListing, ByExamNumberInARoom) {
    ClassOf4 s;
    auto rs = s.open(viewQuery("成绩表", "", "1考室", "考号"));
    const ListingTexts t = buildListing(*rs, {"", "1考室", "考号", "0", "4", 3});
    EXPECT_EQ(*t.text2, "1考室 考号" + CRLF + "王小明 2004002" + "   " + "李四   2004001" + "   " +
                            "赵六   2004003" + "   ");
    EXPECT_EQ(*t.lab6a, "平均:  0");
}

TEST(ResultsListing, EndsQuietlyKeepingWhatItWrote) {
    ClassOf4 s;
    s.db.execute("update 成绩表 set 姓名=null where STID='20040004'");
    auto rs = s.open(viewQuery("成绩表", "2004级01班", "", "总分"));
    const ListingTexts t = buildListing(*rs, {"2004级01班", "", "总分", "0", "4", 3});
    EXPECT_TRUE(t.failed);
    EXPECT_FALSE(t.text2Shown);
    EXPECT_TRUE(t.text2->endsWith("李四   250.2   "));
    EXPECT_FALSE(t.lab6a);
    EXPECT_FALSE(t.text6);
    // A key the set lacks stops at the header.
    auto typed = s.open("select 姓名 from 成绩表");
    const ListingTexts k = buildListing(*typed, {"", "", "总分", "0", "4", 3});
    EXPECT_TRUE(k.failed);
    EXPECT_EQ(*k.text2, " 总分" + CRLF);
}

TEST(ColumnAverages, NineSubjectsAtFourPerLine) {
    const QStringList subjects = {"语文", "数学", "英语", "物理", "化学", "生物", "历史", "地理", "政治"};
    SchoolFixture school(subjects);
    auto& db = *school.db();
    add(db, subjects, {"20040001", "01", "甲", "1", nullptr, nullptr, 450, 50, {80, 70, 60, 50, 40, 30, 20, 10, 90}});
    add(db, subjects, {"20040002", "01", "乙", "2", nullptr, nullptr, 451, 50.11111, {Null, 70, 60, 50, 40, 30, 20, 10, 100.5}});
    Recordset rs(school.db(), viewQuery("成绩表", "2004级01班", "", "总分"));
    ListingTexts t;
    ASSERT_TRUE(columnAverages(rs, {"2004级01班", "", "总分", "0", "4", 9}, t));
    EXPECT_EQ(*t.text6, "2004级01班 2个同学的各种平均分   总分:450.5  平均分:50.05  " + CRLF + CRLF +
                            "语文:40     数学:70     英语:60     物理:50     化学:40     " + CRLF +
                            "生物:30     历史:20     地理:10     政治:95.25  ");
}

TEST(ColumnAverages, ASetOfAnotherShapeStopsWherePlacingFails) {
    ClassOf4 s;
    ListingTexts t;
    // Fewer columns than the subjects: the header stands, nothing after it.
    auto narrow = s.open("select STID,年级,班,姓名,学号,考号,考室,座位,总分,平均分,语文 from 成绩表");
    EXPECT_FALSE(columnAverages(*narrow, {"", "", "总分", "0", "4", 3}, t));
    EXPECT_EQ(*t.text6, " 5个同学的各种平均分   ");
    // More columns than a score table has: nothing is written.
    ListingTexts w;
    auto wide = s.open("select *, 语文 as x, 数学 as y from 成绩表");
    EXPECT_FALSE(columnAverages(*wide, {"", "", "总分", "0", "4", 3}, w));
    EXPECT_FALSE(w.text6);
}

TEST(StudentSummary, TheThreeBlocks) {
    ClassOf4 s;
    auto rs = s.open(viewQuery("成绩表", "", "所有考室", "考号"));
    rs->findValue("STID", "20040001", 0, true);   // 李四, second by room and seat
    StudentTexts t = studentSummary(*rs, "考号", "4");
    EXPECT_EQ(*t.caption, " 2/ 5");
    EXPECT_EQ(*t.te61, "李四 2004001 总分:250.2");
    EXPECT_EQ(*t.lab6b, "李四:20040");   // the exam number read as a number
    EXPECT_EQ(*t.text7, "2004级 01班 李四    " + QString(15, ' ') + "总分: 250. " + "  平均分: 83.4" + CRLF + CRLF +
                            "考室:001   座位号:02" + "     考号的名次: 2" + "    考号:2004001" + CRLF + CRLF +
                            "语文:80     数学:       英语:90.5   " + CRLF);
    EXPECT_FALSE(t.text6);

    struct Case { const char* stid; const char* key; const char* line1; const char* te61; const char* lab6b; };
    const Case cases[] = {
        // 512.5 loses its last digit; a three-character name gets 2 blanks.
        {"20040005", "总分", "2004级 02班 孙八    " "               总分: 512.   平均分: 85.4", "孙八 2004005 总分:512.5",
         "孙八:512.5"},
        {"20040002", "语文", "2004级 01班 王小明  " "               总分: 300    平均分: 100 ", "王小明 2004002 总分:300",
         "王小明:100"},
        // An empty total has no lead: the short line.
        {"20040003", "数学", "2004级 01班 赵六    总分:        平均分:     ", "赵六 2004003 总分:", "赵六:"},
    };
    for (const auto& c : cases) {
        rs->findValue("STID", c.stid, 0, true);
        t = studentSummary(*rs, QString::fromUtf8(c.key), "4");
        EXPECT_EQ(t.text7->section(CRLF, 0, 0), QString::fromUtf8(c.line1)) << c.stid;
        EXPECT_EQ(*t.te61, QString::fromUtf8(c.te61));
        EXPECT_EQ(*t.lab6b, QString::fromUtf8(c.lab6b));
    }
    // A total of 100 in five columns with its sign room.
    s.db.execute("update 成绩表 set 总分=100 where STID='20040002'");
    rs = s.open(viewQuery("成绩表", "2004级01班", "", "总分"));
    rs->findValue("STID", "20040002", 0, true);
    t = studentSummary(*rs, "总分", "4");
    EXPECT_TRUE(t.text7->contains("总分: 100    平均分"));
    EXPECT_EQ(*t.te61, "王小明 2004002 总分:100");
}

TEST(StudentSummary, SubjectsPerLine) {
    QStringList subjects;
    for (int i = 0; i < 10; ++i)
        subjects << QStringLiteral("科%1").arg(i);
    SchoolFixture school(subjects);
    add(*school.db(), subjects, {"20040001", "01", "甲", "1", nullptr, nullptr, 45, 4.5, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}});
    struct Case { int columns; const char* perLine; QList<int> lineLengths; };
    // Entries per line: one more than 每排.
    const Case cases[] = {{7, "4", {5, 2}}, {10, "9", {10, 0}}};
    for (const auto& c : cases) {
        QString sql = "select STID,年级,班,姓名,学号,考号,考室,座位,总分,平均分";
        for (int i = 0; i < c.columns; ++i)
            sql += "," + subjects[i];
        Recordset rs(school.db(), sql + " from 成绩表");
        const QString block3 = studentSummary(rs, "总分", c.perLine).text7->section(CRLF + CRLF, 2);
        QList<int> lengths;
        for (const QString& line : block3.split(CRLF).mid(0, c.lineLengths.size()))
            lengths << int(line.count(':'));
        EXPECT_EQ(lengths, c.lineLengths) << c.columns;
        EXPECT_TRUE(block3.endsWith(CRLF));
    }
    // The seat piece is left out without a room; the rank names the key.
    Recordset rs(school.db(), "select * from 成绩表");
    EXPECT_EQ(studentSummary(rs, "平均分", "4").text7->section(CRLF, 2, 2), "     平均分的名次: 1    考号:1");
}

TEST(StudentSummary, OffTheRowsAndAnEmptyView) {
    ClassOf4 s;
    auto rs = s.open(viewQuery("成绩表", "2004级01班", "", "总分"));
    rs->moveLast();
    rs->moveNext();
    StudentTexts t = studentSummary(*rs, "总分", "4");
    EXPECT_EQ(*t.text7, "");
    EXPECT_FALSE(t.caption);
    EXPECT_FALSE(t.te61);
    EXPECT_FALSE(t.lab6b);
    EXPECT_FALSE(t.text6);
    auto empty = s.open(viewQuery("成绩表", "2005级01班", "", "总分"));
    t = studentSummary(*empty, "总分", "4");
    EXPECT_EQ(*t.caption, "没有同学");
    EXPECT_EQ(*t.text6, "");
    EXPECT_EQ(*t.text7, "");
}

TEST(StudentSearch, QueriesAndTemplate) {
    EXPECT_EQ(searchQuery("  2004001 ", "成绩表"), "select * from 成绩表 where 考号 = '2004001'");
    EXPECT_EQ(searchQuery("9abc", "成绩表"), "select * from 成绩表 where 考号 = '9abc'");
    EXPECT_EQ(searchQuery("王小明", "绝对成绩表"), "select * from 绝对成绩表 where 姓名 = '王小明'");
    EXPECT_EQ(searchQuery("O'Neil", "成绩表"), "select * from 成绩表 where 姓名 = 'O''Neil'");
    EXPECT_EQ(searchQuery("   ", "成绩表"), "");

    EXPECT_EQ(*selectTemplate(" SeLect ", "成绩表", "2004级01班"),
              "SeLect * from 成绩表 where 年级='2004' and 平均分>=60");
    EXPECT_EQ(*selectTemplate("select", "相对成绩表", ""), "select * from 相对成绩表 where 年级='' and 平均分>=60");
    EXPECT_EQ(*selectTemplate("select", "成绩表", "所有班级"), "select * from 成绩表 where 年级='所有班级' and 平均分>=60");
    // A grade id holding a quote stays one value: the template only reads.
    const QString quoted = *selectTemplate("select", "成绩表", "9'%]级'_班");
    EXPECT_EQ(quoted, "select * from 成绩表 where 年级='9''%]' and 平均分>=60");
    EXPECT_FALSE(refusedTypedQuery(quoted));
    EXPECT_FALSE(selectTemplate("selects", "成绩表", "2004级"));

    EXPECT_TRUE(isTypedQuery("  SELECT 姓名 from 成绩表"));
    EXPECT_FALSE(isTypedQuery("selec"));
    EXPECT_FALSE(refusedTypedQuery("select * from 成绩表 where 总分>1"));
    EXPECT_TRUE(refusedTypedQuery("select * from 成绩表; delete from 成绩表"));
    EXPECT_TRUE(refusedTypedQuery("select * into 新表 from 成绩表"));
}
