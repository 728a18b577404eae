// Tab-separated text: exact bytes of a small export, Null marks, typed
// queries, and files written whole or not at all.

#include "grades/results/core/tab_text.h"

#include "platform/db/recordset.h"
#include "platform/text/gbk.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace results;
using platform::db::Recordset;

namespace {

struct Marks {
    SchoolFixture school{{"语文", "数学"}};
    Marks() {
        add("20040001", "张三", 274 / 3.0, 80, 91.333333);
        add("20040002", "李四", 85.5, {}, 85.5);
        add("20040003", "王", 85, 85, {});
    }
    void add(const char* stid, const QString& name, QVariant total, QVariant chinese, QVariant maths) {
        school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "总分", "语文", "数学"},
                               {stid, "2004", "01", name, total, chinese, maths});
    }
};

} // namespace

TEST(TabText, ExactBytesOfASmallExport) {
    Marks m;
    Recordset rs(m.school.db(), "select 姓名,总分,语文,数学 from 成绩表 order by STID");
    const QString text = tabText(rs);
    // An empty mark is two TABs in a row; an empty last column ends in TAB CR LF.
    EXPECT_EQ(text, "姓名\t总分\t语文\t数学\r\n"
                    "张三\t91.33334\t80\t91.33334\r\n"
                    "李四\t85.5\t\t85.5\r\n"
                    "王\t85\t85\t\r\n");
    EXPECT_EQ(platform::toGbk(text).left(6), QByteArray("\xd0\xd5\xc3\xfb\t\xd7", 6));

    const QString path = m.school.folder() + "/out.xls";
    writeGbkWhole(path, text);
    EXPECT_EQ(testsupport::readFileBytes(path), platform::toGbk(text));   // no byte-order mark, no spreadsheet format
}

TEST(TabText, WholeColumnsOfTheScoreTableAndAnEmptyQuery) {
    Marks m;
    Recordset all(m.school.db(), "select * from 成绩表 where 姓名='王'");
    EXPECT_EQ(tabText(all), "STID\t年级\t班\t姓名\t学号\t考号\t考室\t座位\t总分\t平均分\t语文\t数学\r\n"
                            "20040003\t2004\t01\t王\t\t\t\t\t85\t\t85\t\r\n");
    Recordset none(m.school.db(), "select 姓名 from 成绩表 where 1=0");
    EXPECT_EQ(tabText(none), "姓名\r\n");
}

TEST(TabText, AFailedWriteLeavesTheOldFile) {
    Marks m;
    const QString path = m.school.folder() + "/old.txt";
    writeGbkWhole(path, "旧\r\n");
    EXPECT_THROW(writeGbkWhole(path, QString::fromUtf8("\xF0\x9F\x98\x80")), platform::GbkError);
    EXPECT_EQ(testsupport::readFileBytes(path), platform::toGbk("旧\r\n"));
    QDir(m.school.folder()).mkdir("dir.txt");
    EXPECT_THROW(writeGbkWhole(m.school.folder() + "/dir.txt", "x"), platform::FileError);
    EXPECT_THROW(writeGbkWhole(m.school.folder() + "/no/such/a.txt", "x"), platform::FileError);
}
