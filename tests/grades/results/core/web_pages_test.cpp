// The results web pages: the index and results pages byte for byte, the
// header width, shading and averages, escaping and safe file names, and the
// whole command on a small school.

#include "grades/results/core/web_pages.h"

#include "common/program_state.h"
#include "platform/db/datacontrol.h"
#include "platform/text/gbk.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <gtest/gtest.h>

using namespace results;
using platform::db::FieldType;

namespace {

const QVariant NoValue;

// 考号, 姓名, 学号, 平均分, 总分, 语文.
PageRows rowsOf(const QList<QVariantList>& rows) {
    PageRows p;
    p.columns = {"考号", "姓名", "学号", "平均分", "总分", "语文"};
    p.types = {FieldType::Text, FieldType::Text, FieldType::Text, FieldType::Single, FieldType::Single,
               FieldType::Single};
    p.rows = rows;
    return p;
}

QStringList linesOf(const QString& page) { return page.split("\r\n"); }

} // namespace

TEST(WebPages, IndexPageByteForByte) {
    const QString page = indexPageText("测试中学", {{"2004", "01"}, {"2004", "02"}, {"2005", "01"}});
    EXPECT_EQ(page,
              "<html> \r\n"
              " <head> \r\n"
              "<meta http-equiv='Content-Language' content='en-us'> \r\n"
              " <meta http-equiv='Content-Type' content='text/html; charset=gb2312'> \r\n"
              "<title> 测试中学所有学生的成绩</title>\r\n"
              "</head>\r\n"
              "<body>\r\n"
              "<p><b><font size='6' color='#000080'>测试中学所有学生的成绩</font></b></p>\r\n"
              "<p>请单击你要查看的班或年级</p>\r\n"
              "<table border='1'>\r\n"
              "<tr>\r\n"
              " <td width='51'><a href='2004.htm'>2004级</td>\r\n"
              "<td width='41'><a href='200401.htm'>01班</a></td>\r\n"
              "<td width='41'><a href='200402.htm'>02班</a></td>\r\n"
              "</tr>\r\n"
              "<tr>\r\n"
              " <td width='51'><a href='2005.htm'>2005级</td>\r\n"
              "<td width='41'><a href='200501.htm'>01班</a></td>\r\n"
              "</tr>\r\n"
              "</table>\r\n"
              "</body>\r\n"
              "</html> \r\n");
}

TEST(WebPages, ClassPageByteForByte) {
    // Equal totals get consecutive ranks; rows shaded, plain, shaded; three
    // students leave the footer plain.
    const PageRows rows = rowsOf({{"20040101001", "张三", "01", 100.0f, 300.0f, 90.0f},
                                  {"20040101002", "李四", "02", 100.0f, 300.0f, 80.0f},
                                  {"20040101003", "王五", "03", 78.533333f, 280.0f, NoValue}});
    const QString page = resultsPageText("测试中学", "2004", "01", "/p/Index.htm", rows);
    const QString head = "<td width='%1' bgcolor='#666699'> <font size='3' face='黑体' color='#00FF00'>%2</td>\r\n";
    QString expected =
        "<html> \r\n"
        " <head> \r\n"
        "<meta http-equiv='Content-Language' content='en-us'> \r\n"
        " <meta http-equiv='Content-Type' content='text/html; charset=gb2312'> \r\n"
        "<title> 测试中学2004级01班所有学生的成绩</title>\r\n"
        "</head>\r\n"
        "<body bgcolor='#C0C0C0'>\r\n"
        "<p align='right'><a href='/p/Index.htm'>返回主页</a></p>\r\n"
        "<p><b><font size='6' color='#0000FF' face='隶书'>测试中学2004级01班所有学生的成绩</font></b></p>\r\n"
        "<table border='1' cellspacing='0' cellpadding='5'>\r\n"
        "<tr>\r\n";
    expected += head.arg("65", "考号") + head.arg("45", "姓名") + head.arg("35", "学号") + head.arg("35", "平均")
        + head.arg("35", "总分") + head.arg("35", "语文") + head.arg("35", "名次");
    expected +=
        "</tr>\r\n"
        "<tr>\r\n"
        "<td  bgcolor='#999999'><b><font size='2'>20040101001</font></b></td>\r\n"
        "<td  bgcolor='#999999'><b><font size='2'>张三</font></b></td>\r\n"
        "<td  bgcolor='#999999'><b><font size='2'>01</font></b></td>\r\n"
        "<td  bgcolor='#999999'><b><font size='2'>100</font></b></td>\r\n"
        "<td  bgcolor='#999999'><font size='2'>300</font></td>\r\n"
        "<td  bgcolor='#999999'><font size='2'>90</font></td>\r\n"
        "<td  bgcolor='#999999'><font size='2'>1</font></td>\r\n"
        "</tr>\r\n"
        "<tr>\r\n"
        " <td><b><font size='2'>20040101002</font></b></td>\r\n"
        " <td><b><font size='2'>李四</font></b></td>\r\n"
        " <td><b><font size='2'>02</font></b></td>\r\n"
        " <td><b><font size='2'>100</font></b></td>\r\n"
        "<td ><font size='2'>300</font></td>\r\n"
        "<td ><font size='2'>80</font></td>\r\n"
        "<td ><font size='2'>2</font></td>\r\n"
        "</tr>\r\n"
        "<tr>\r\n"
        "<td  bgcolor='#999999'><b><font size='2'>20040101003</font></b></td>\r\n"
        "<td  bgcolor='#999999'><b><font size='2'>王五</font></b></td>\r\n"
        "<td  bgcolor='#999999'><b><font size='2'>03</font></b></td>\r\n"
        "<td  bgcolor='#999999'><b><font size='2'>78.53333</font></b></td>\r\n"
        "<td  bgcolor='#999999'><font size='2'>280</font></td>\r\n"
        "<td  bgcolor='#999999'><font size='2'></font></td>\r\n"
        "<td  bgcolor='#999999'><font size='2'>3</font></td>\r\n"
        "</tr>\r\n"
        "<tr>\r\n"
        "<td  colspan='4'><b><font size='2'>共3人,各科平均分为:</font></b></td>"
        "<td ><font size='2'>293.3</font></td>\r\n"
        "<td ><font size='2'>56.66</font></td>\r\n"
        "<td><font size='2'>--</font></td>\r\n"
        "</tr>\r\n"
        "</table>\r\n"
        "<p align='right'><a href='/p/Index.htm'>返回主页</a></p>\r\n"
        "</body>\r\n"
        "</html> \r\n";
    EXPECT_EQ(page, expected);
}

TEST(WebPages, WidthShadingAndAverages) {
    struct Case {
        const char* what;
        QList<QVariantList> rows;
        QString width, label, firstAverage, secondAverage;
    };
    const Case cases[] = {
        {"two-character exam number, two students: shaded footer",
         {{"12", "甲", "12", 70.0f, 140.0f, 70.0f}, {"13", "乙", "13", 60.0f, 120.0f, 60.0f}},
         "20", "<td  bgcolor='#999999' colspan='4'><b><font size='2'>共2人", "130", "65"},
        {"a missing mark counts its student",
         {{"1", "甲", "1", 80.0f, 80.0f, 80.0f}, {"2", "乙", "2", 70.0f, 70.0f, 70.0f},
          {"3", "丙", "3", 0.0f, 0.0f, NoValue}, {"4", "丁", "4", 90.0f, 90.0f, 90.0f}},
         "15", "<td  bgcolor='#999999' colspan='4'><b><font size='2'>共4人", "60", "60"},
        {"an average cut to five characters, not rounded",
         {{"1", "甲", "1", 78.533333f, 78.533333f, 1234.5f}},
         "15", "<td  colspan='4'><b><font size='2'>共1人", "78.53", "1234."},
        {"a NoValue first exam number", {{NoValue, "甲", "1", 1.0f, 1.0f, 1.0f}}, "10",
         "<td  colspan='4'><b><font size='2'>共1人", "1", "1"},
        {"no student at all", {}, "10", "<td  bgcolor='#999999' colspan='4'><b><font size='2'>共0人", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QStringList lines = linesOf(resultsPageText("中学", "2004", "01", "", rowsOf(c.rows)));
        // No back-link lines without an index path: the header starts at line 10.
        EXPECT_EQ(lines[7], "<p><b><font size='6' color='#0000FF' face='隶书'>中学2004级01班所有学生的成绩</font></b></p>");
        EXPECT_TRUE(lines[10].startsWith("<td width='" + c.width + "' "));
        const int footer = 18 + 9 * c.rows.size();   // after the header and the body rows
        ASSERT_EQ(lines[footer], "<tr>");
        EXPECT_TRUE(lines[footer + 1].startsWith(c.label)) << lines[footer + 1].toStdString();
        EXPECT_TRUE(lines[footer + 1].endsWith(">" + c.firstAverage + "</font></td>"));
        EXPECT_TRUE(lines[footer + 2].endsWith(">" + c.secondAverage + "</font></td>"));
        EXPECT_EQ(lines.mid(footer + 5), QStringList({"</table>", "</body>", "</html> ", ""}));
    }
}

TEST(WebPages, EscapesNamesAndKeepsFileNamesInTheFolder) {
    const PageRows rows = rowsOf({{"1", "<&'", "1", 1.0f, 1.0f, 1.0f}});
    const QString page = resultsPageText("A&B\"中学", "2004", "", "/a'b/Index.htm", rows);
    EXPECT_TRUE(page.contains("<title> A&amp;B&quot;中学2004级所有学生的成绩</title>"));
    EXPECT_TRUE(page.contains("<a href='/a&#39;b/Index.htm'>返回主页</a>"));
    EXPECT_TRUE(page.contains(" <td><b><font size='2'>&lt;&amp;&#39;</font></b></td>") ||
                page.contains("<td  bgcolor='#999999'><b><font size='2'>&lt;&amp;&#39;</font></b></td>"));
    EXPECT_FALSE(page.contains("<&'"));

    const QString index = indexPageText("中学", {{"a/b", "<'"}});
    EXPECT_TRUE(index.contains("<a href='a_002Fb-.htm'>a/b级</td>"));
    EXPECT_TRUE(index.contains("<a href='a_002Fb-_003C_0027.htm'>&lt;&#39;班</a></td>"));
}

// Ids of the stored form keep their plain names; every other pair is spelt out so
// that no two pairs share a page and no name leaves the folder or breaks a link.
TEST(WebPages, FileNamesAreDistinctAndStayInTheFolder) {
    struct Case { QString grade, cls, name; };
    const Case cases[] = {
        {"2004", "01", "200401.htm"},
        {"2004", "", "2004.htm"},
        {"高一年级", "甲班", "高一年级甲班.htm"},
        {"20040", "1", "20040-1.htm"},       // was "200401.htm", the page of (2004, 01)
        {"200", "401", "200-401.htm"},
        {"", "", "-.htm"},                   // was ".htm"
        {"2004", "0", "2004-0.htm"},
        {"2004", "01 ", "2004-01_0020.htm"},
        {"../x", "/\\", "_002E_002E_002Fx-_002F_005C.htm"},
        {"..", "", "_002E_002E-.htm"},
        {"20#4", "a?", "20_00234-a_003F.htm"},
        {"20_4", "", "20_005F4-.htm"},       // "_" is escaped too, so no spelt-out name is a copy
        {"20-4", "", "20_002D4-.htm"},
    };
    QSet<QString> names;
    for (const Case& c : cases) {
        const QString name = webPageFileName(c.grade, c.cls);
        EXPECT_EQ(name, c.name) << c.grade.toStdString() << " / " << c.cls.toStdString();
        EXPECT_FALSE(name.contains(u'/') || name.contains(u'\\') || name.startsWith(u'.')) << name.toStdString();
        names.insert(name);
    }
    EXPECT_EQ(names.size(), std::size(cases));
    EXPECT_NE(webPageFileName("2004", "01"), webPageFileName("20040", "1"));
    EXPECT_NE(webPageFileName("2004", ""), webPageFileName("200", "4"));
    EXPECT_NE(webPageFileName("", ""), webPageFileName("", "-"));
}

TEST(WebPages, CharactersOutsideGbkBecomeReferences) {
    EXPECT_EQ(pageBytes("中a"), platform::toGbk("中a"));
    EXPECT_EQ(pageBytes(QString::fromUtf8("王\xF0\x9F\x98\x80x")), platform::toGbk("王") + "&#128512;x");
}

namespace {

// Grade levels 2004 (classes 01 and 02) and 2005 (class 01); 2004 takes only
// 语文 (数学 full mark 0, 英语 NoValue).
struct Publish {
    SchoolFixture school{{"语文", "数学", "英语"}, {"2004", "2005"}, {"2004级01班", "2004级02班", "2005级01班"}};
    platform::db::DataControl adodc1, ad3;
    QString index = school.folder() + "/web/Index.htm";
    QString grade = "x", cls = "y";
    Publish() {
        QDir(school.folder()).mkdir("web");
        for (auto* dc : {&adodc1, &ad3})
            dc->setConnectionString(state().connectionText());
        school.db()->execute("update 年级表 set 数学=0, 英语=null where 年级='2004'");
        add("20040001", "2004", "01", "20040101001", "张三", 200, 90, 80, 30);
        add("20040002", "2004", "01", "20040101002", "李四", 280, 95, 90, 95);
        add("20050001", "2005", "01", "20050101001", "王五", 150, 50, 50, 50);
    }
    void add(const char* stid, const char* g, const char* c, const char* number, const QString& name, double total,
             double chinese, double maths, double english) {
        school.db()->insertRow("成绩表", {"STID", "年级", "班", "考号", "姓名", "学号", "总分", "语文", "数学", "英语"},
                               {stid, g, c, number, name, QString(stid).right(2), total, chinese, maths, english});
    }
    void run() { writeResultsWebPages(adodc1, ad3, "测试中学", index, grade, cls); }
    QString page(const QString& name) { return platform::fromGbk(testsupport::readFileBytes(school.folder() + "/web/" + name)); }
};

} // namespace

TEST(WebPages, TheWholeCommandOnASmallSchool) {
    Publish p;
    p.run();
    EXPECT_EQ(QDir(p.school.folder() + "/web").entryList(QDir::Files),
              QStringList({"2004.htm", "200401.htm", "200402.htm", "2005.htm", "200501.htm", "Index.htm"}));
    EXPECT_EQ(p.page("Index.htm").count("<tr>"), 2);
    // Left at the last grade-level page.
    EXPECT_EQ(p.grade, "2005");
    EXPECT_EQ(p.cls, "");

    const QString gradePage = p.page("2004.htm");
    EXPECT_TRUE(gradePage.contains("<title> 测试中学2004级所有学生的成绩</title>\r\n"));
    EXPECT_TRUE(gradePage.contains("color='#00FF00'>总分</td>\r\n<td width='35' bgcolor='#666699'> "
                                   "<font size='3' face='黑体' color='#00FF00'>语文</td>\r\n<td width='35' "
                                   "bgcolor='#666699'> <font size='3' face='黑体' color='#00FF00'>名次</td>"));
    EXPECT_FALSE(gradePage.contains("数学"));
    EXPECT_LT(gradePage.indexOf("李四"), gradePage.indexOf("张三"));   // best total first
    EXPECT_TRUE(gradePage.contains("<a href='" + p.index + "'>返回主页</a>"));
    EXPECT_TRUE(p.page("2005.htm").contains(">英语</td>"));

    // The empty class still has its page, so its link works.
    const QString empty = p.page("200402.htm");
    EXPECT_TRUE(empty.contains("<td width='10' bgcolor='#666699'>"));
    EXPECT_TRUE(empty.contains("共0人,各科平均分为:"));

    // A second run rewrites every page.
    p.school.db()->execute("update 成绩表 set 姓名='赵六' where STID='20040001'");
    p.run();
    EXPECT_TRUE(p.page("200401.htm").contains("赵六"));
    EXPECT_FALSE(p.page("2004.htm").contains("张三"));
}

TEST(WebPages, HostileIdsAndNamesStayInTheFolderAndThePage) {
    Publish p;
    p.school.db()->execute("insert into 班级表 (年级, 班) values ('2005', '/.')");
    p.school.db()->execute("update 成绩表 set 姓名=? where STID='20050001'", {QString::fromUtf8("<王\xF0\x9F\x98\x80")});
    p.add("20050002", "2005", "/.", "9", "'&", 1, 1, 1, 1);
    p.run();
    EXPECT_TRUE(QFile::exists(p.school.folder() + "/web/2005-_002F_002E.htm"));
    EXPECT_TRUE(p.page("Index.htm").contains("<a href='2005-_002F_002E.htm'>/.班</a>"));
    EXPECT_TRUE(p.page("2005-_002F_002E.htm").contains("&#39;&amp;"));
    const QByteArray bytes = testsupport::readFileBytes(p.school.folder() + "/web/200501.htm");
    EXPECT_TRUE(bytes.contains("&lt;" + platform::toGbk("王") + "&#128512;"));
}

TEST(WebPages, AGradeMissingFromTheGradeTableEndsTheCommand) {
    Publish p;
    p.school.db()->execute("delete from 年级表 where 年级='2005'");
    EXPECT_THROW(p.run(), platform::FileError);
    // The pages finished before it stay; none after it is begun.
    EXPECT_EQ(QDir(p.school.folder() + "/web").entryList(QDir::Files),
              QStringList({"200401.htm", "200402.htm", "Index.htm"}));
}
