// Check lists of a class and the source texts of the custom print window.

#include "grades/results/core/check_list.h"
#include "grades/results/core/custom_print.h"

#include "platform/db/recordset.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

using namespace results;
using platform::db::Recordset;

TEST(TemplateSource, ClassGradeAndWholeSchoolKeepTheirSpacing) {
    EXPECT_EQ(templateSourceQuery("2004级01班"), "select * from 成绩表  where 年级='2004' and  班='01'");
    EXPECT_EQ(templateSourceQuery("2004级"), "select * from 成绩表 where 年级='2004' ");
    EXPECT_EQ(templateSourceQuery("所有班级"), "select * from 成绩表");
    // Typed text is quoted, never spliced.
    EXPECT_EQ(templateSourceQuery("20'4级01班"), "select * from 成绩表  where 年级='20''4' and  班='01'");
}

TEST(CheckList, TypedCountsAndSpacing) {
    EXPECT_EQ(typedCount("4"), 4);
    EXPECT_EQ(typedCount("x"), 0);
    EXPECT_EQ(results::typedSpacing("3"), 3);
    EXPECT_EQ(results::typedSpacing("1E9"), 99);
    EXPECT_EQ(results::typedSpacing("-2"), 0);
    EXPECT_EQ(checkListQuery({"姓名", "学号"}, "2004", "0'1", true),
              "select \"姓名\",\"学号\" from 成绩表 where 年级='2004' and 班='0''1' order by 总分 desc");
}

namespace {

struct CheckListSchool {
    SchoolFixture school{{"语文"}};
    void add(int n, const QString& name, const QVariant& total) {
        const QVariant nameValue = name.isNull() ? QVariant() : QVariant(name);
        school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号", "总分"},
                               {QString("200401%1").arg(n, 2, 10, QChar('0')), "2004", "01", nameValue,
                                QString("%1").arg(n, 2, 10, QChar('0')), total});
    }
    QString block(const QStringList& fields, CheckListOptions o, int* lines = nullptr) {
        Recordset rs(school.db(), checkListQuery(fields, "2004", "01", o.byTotal));
        int count = 0;
        const QString text = checkListBlock(rs, "2004", "01", o, count);
        if (lines)
            *lines = count;
        return text;
    }
};

const QString kHead = "核对学生姓名\r\n2004级01班全体同学的情况如下：\r\n\r\n";

} // namespace

TEST(CheckList, PerLineAndSpacing) {
    CheckListSchool f;
    for (int n = 1; n <= 10; ++n)
        f.add(n, QString("学生") + QString("甲乙丙丁戊己庚辛壬癸")[n - 1], 100 + n);
    struct Case {
        int perLine, spacing;
        QString first;   // the text after the heading, up to the third student
    } cases[] = {
        {1, 1, "学生甲   \r\n\r\n学生乙   \r\n\r\n学生丙   "},
        {0, 1, "学生甲   \r\n\r\n学生乙   \r\n\r\n学生丙   "},   // 0 behaves as 1
        {1, 0, "学生甲   \r\n学生乙   \r\n学生丙   "},
        {1, 3, "学生甲   \r\n\r\n\r\n\r\n学生乙   \r\n\r\n\r\n\r\n学生丙   "},
        {4, 1, "学生甲   学生乙   学生丙   "},
    };
    for (const Case& c : cases) {
        const QString text = f.block({"姓名"}, {"核对学生姓名", false, c.perLine, c.spacing, 20});
        ASSERT_TRUE(text.startsWith(kHead)) << text.toStdString();
        EXPECT_TRUE(text.mid(kHead.size()).startsWith(c.first)) << c.perLine << "/" << c.spacing;
    }
    // Ten at four to a line: 4, 4 and 2, no break after the short last line.
    int lines = 0;
    const QString four = f.block({"姓名"}, {"核对学生姓名", false, 4, 1, 20}, &lines);
    const QStringList rows = four.mid(kHead.size()).split("\r\n\r\n");
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0], "学生甲   学生乙   学生丙   学生丁   ");
    EXPECT_EQ(rows[2], "学生壬   学生癸   ");
    EXPECT_EQ(lines, 4);   // heading 2, two finished lines
    // By total, highest first.
    EXPECT_TRUE(f.block({"姓名"}, {"t", true, 20, 0, 20}).endsWith("学生癸   学生壬   学生辛   学生庚   学生己   学生戊   学生丁   学生丙   学生乙   学生甲   "));
}

TEST(CheckList, ColumnsInTableOrderAndNamePadding) {
    CheckListSchool f;
    f.add(1, "李四", 256.5);
    f.add(2, "张", QVariant());
    f.add(3, QString(), 80);   // a Null name counts as empty
    f.add(4, "王小二", 100);
    const QString text = f.block({"姓名", "学号", "总分"}, {"核对", false, 1, 0, 20});
    EXPECT_EQ(text, "核对\r\n2004级01班全体同学的情况如下：\r\n\r\n"
                    "李四  01 256.5    \r\n"
                    "张    02     \r\n"
                    "      03 80    \r\n"
                    "王小二04 100    \r\n");
}

TEST(CheckList, LineCountStartsAgainPastThePage) {
    CheckListSchool f;
    for (int n = 1; n <= 5; ++n)
        f.add(n, "某某", n);
    int lines = 0;
    // 2 heading lines, then 3, 4 | 5 > 4 -> 0, then 1, 2.
    const QString text = f.block({"姓名"}, {"t", false, 1, 0, 4}, &lines);
    EXPECT_EQ(lines, 2);
    EXPECT_FALSE(text.contains('\f'));
}
