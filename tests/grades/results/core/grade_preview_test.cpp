// The grade-list blocks of the print preview: both layouts, the two 考号
// caption rules, the count of students and the averages over every row.

#include "grades/results/core/grade_preview.h"

#include "platform/db/recordset.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

using namespace results;
using platform::db::Recordset;

namespace {

const QStringList kSubjects = {"语文", "数学"};

struct PreviewSchool {
    SchoolFixture school{kSubjects};
    void add(const QString& stid, const QString& cls, const QVariant& number, const QString& name,
             const QVariant& total, const QVariant& average, const QVariant& chinese, const QVariant& maths) {
        school.db()->insertRow("成绩表", {"STID", "年级", "班", "考号", "姓名", "总分", "平均分", "语文", "数学"},
                               {stid, "2004", cls, number, name, total, average, chinese, maths});
    }
    GradeBlock block(const QString& sql, const QString& cls, int count, int16_t length) {
        Recordset rs(school.db(), sql);
        return gradeBlock(rs, cls, "", count, length, kSubjects);
    }
};

const QVariant NoMark;

} // namespace

TEST(GradeBlock, BothLayoutsWithLongExamNumbers) {
    PreviewSchool f;
    f.add("20040001", "01", "20040101001", "张三丰", 456, 228, 80, 250.0 / 3);
    f.add("20040002", "01", "20040101002", "李四", NoMark, NoMark, NoMark, NoMark);
    f.add("20040003", "01", "20040101003", "王", 150, 75, 70, 80);
    const GradeBlock b = f.block(classBlockQuery("成绩表", "2004级01班"), "2004级01班", 0, 11);
    EXPECT_EQ(b.preview, "2004级01班全体同学成绩如下:\n"
                         "考号          姓名   总分   平均分 语文   数学   \n"
                         " 全班平均:           202    101    50     54.44  \n"
                         "20040101001  张三丰  456    228    80     83.33  \n"
                         "20040101003  王      150    75     70     80     \n"
                         "20040101002  李四                                \n");
    EXPECT_EQ(b.copy, "2004级01班全体同学成绩如下:\r\n"
                      "    考号\t姓名\t总分\t平均分\t语文\t数学\t\r\n"
                      "    全班\t平均\t202\t101\t50\t54.44\t\r\n"
                      "20040101001\t张三丰\t456\t228\t80\t83.33\t\r\n"
                      "20040101003\t王\t150\t75\t70\t80\t\r\n"
                      "20040101002\t李四\t\t\t     \t     \t\r\n");
}

TEST(GradeBlock, AGradeListWithShortExamNumbers) {
    PreviewSchool f;
    f.add("20040001", "01", "101", "张三", 1234.5, 617.25, 80, 90);
    f.add("20040002", "02", "201", "李四", 100, 50, 50, 50);
    const GradeBlock b = f.block("select * from 成绩表 where 年级='2004' order by 总分 desc", "2004级", 0, 7);
    const QStringList preview = b.preview.split('\n');
    EXPECT_EQ(preview[0], "2004级全体同学成绩如下:");
    EXPECT_EQ(preview[1], "考号 姓名   总分   平均分 语文   数学     班级");
    EXPECT_EQ(preview[2], " 全班平均:   667.2  333.6  65     70     ");
    // Four digits before the point keep the point only: cut, never rounded.
    EXPECT_EQ(preview[3], "101  张三    1234.  617.2  80     90       01");
    const QStringList copy = b.copy.split("\r\n");
    EXPECT_EQ(copy[1], "考号\t姓名\t总分\t平均分\t语文\t数学\t班级");
    EXPECT_EQ(copy[2], "全班\t平均\t667.2\t333.6\t65\t70\t");
    EXPECT_EQ(copy[4], "201\t李四\t100\t50\t50\t50\t02");
}

TEST(GradeBlock, TheCountOfStudents) {
    PreviewSchool f;
    for (int i = 1; i <= 40; ++i)
        f.add(QString("2004%1").arg(i, 4, 10, QChar('0')), "01", QString::number(100 + i), QString("生%1").arg(i),
              i, i, i, NoMark);
    struct Case { const char* typed; QStringList first; int lines; };
    const Case cases[] = {
        {"0", {"140", "139"}, 40}, {"3", {"140", "139", "138"}, 3}, {"-2", {"101", "102"}, 2},
        {"50", {"140"}, 40},       {"abc", {"140"}, 40},             {"2.5", {"140", "139"}, 2},
        {"3.5", {"140", "139", "138", "137"}, 4},
    };
    const QString sql = classBlockQuery("成绩表", "2004级01班");
    for (const auto& c : cases) {
        const GradeBlock b = f.block(sql, "2004级01班", previewCount(c.typed), 3);
        const QStringList lines = b.copy.split("\r\n", Qt::SkipEmptyParts).mid(3);
        ASSERT_EQ(lines.size(), c.lines) << c.typed;
        for (int i = 0; i < c.first.size(); ++i)
            EXPECT_TRUE(lines[i].startsWith(c.first[i] + "\t")) << c.typed << " " << lines[i].toStdString();
        // The averages are of all forty, whatever is printed.
        EXPECT_EQ(b.copy.split("\r\n")[2], "全班\t平均\t20.5\t20.5\t20.5\t0\t") << c.typed;
    }
    EXPECT_EQ(previewCount("1E9"), 32767);
    EXPECT_EQ(previewCount("-1E9"), -32768);
}

TEST(GradeBlock, NoRowsNoBlockAndQueriesOfAnotherShape) {
    PreviewSchool f;
    EXPECT_EQ(f.block(classBlockQuery("成绩表", "2004级02班"), "2004级02班", 0, 0).preview, "");
    f.add("20040001", "01", NoMark, "张三", 90, 45, 90, NoMark);
    // A handed-over query without the marks: their cells stay empty.
    const GradeBlock b = f.block("select 考号, 姓名 from 成绩表", "", 0, 0);
    EXPECT_EQ(b.preview.split('\n')[3], "  张三" + QString(4 + 4 * 7, ' '));
    EXPECT_EQ(b.copy.split("\r\n")[3], "\t张三\t\t\t     \t     \t");
    EXPECT_EQ(roomBlockQuery("绝对成绩表", "3考室"), "select * from 绝对成绩表 where 考室='003' order by 总分 desc");
}
