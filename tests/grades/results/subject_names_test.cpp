// A school whose subjects are made of the signs SQL reads as its own (a quote,
// a note, a closing bracket, a double quote), through every window that puts a
// subject into a query: mark entry, the teacher panel's class lists, the web
// pages and the check list.

#include "grades/frame/Form2.h"
#include "grades/results/print/Form13.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/text/gbk.h"
#include "results_school.h"
#include "support/dialog_double.h"
#include "support/test_files.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using platform::db::quoteName;

namespace {

const QStringList kOddSubjects{"x'", "--", "a]", "\"b"};

// 2004级01班: 张三 and 李四; 2004级02班: 王五. Every paper is out of 100, and
// one teacher teaches every subject in 01.
struct OddSubjects : ResultsSchool {
    OddSubjects() : ResultsSchool(kOddSubjects) {
        auto& db = *school.db();
        for (const QString& s : kOddSubjects)
            db.execute("update 年级表 set " + quoteName(s) + " = 100");
        db.insertRow("成绩表", {"STID", "年级", "班", "学号", "姓名"}, {"20040001", "2004", "01", "01", "张三"});
        db.insertRow("成绩表", {"STID", "年级", "班", "学号", "姓名"}, {"20040002", "2004", "01", "02", "李四"});
        db.insertRow("成绩表", {"STID", "年级", "班", "学号", "姓名"}, {"20040003", "2004", "02", "01", "王五"});
        QStringList fields{"姓名"};
        QVariantList values{"甲"};
        for (int n = 1; n <= kOddSubjects.size(); ++n) {
            fields << QStringLiteral("任课班级%1").arg(n) << QStringLiteral("科目%1").arg(n);
            values << "2004级01班" << kOddSubjects[n - 1];
        }
        db.insertRow("教师表", fields, values);
        w.resize(1000, 700);
        w.show();
    }

    QVariant stored(const QString& subject, const QString& name) {
        return school.db()->scalar("select " + quoteName(subject) + " from 成绩表 where 姓名 = ?", {name});
    }
    // The mark typed for the first student of class 01, then Enter, as the keyboard gives it.
    void enterMark(const QString& subject, const QString& mark) {
        pick(c<QComboBox>("Combo8"), subject);
        pick(c<QComboBox>("Combo7"), "2004级01班");
        ASSERT_EQ(w.anyDataControl("Ad8").recordset()->recordCount(), 2) << subject.toStdString();
        QLineEdit* box = c<QLineEdit>("Te81");
        box->selectAll();
        QTest::keyClicks(box, mark);
        QTest::keyClick(box, Qt::Key_Return);
    }
};

QStringList items(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

} // namespace

TEST(OddSubjectNames, EveryWindowThatQueriesASubjectServesIt) {
    OddSubjects s;
    DialogDouble d;

    // Mark entry: each subject's grid lists the class and takes a mark.
    s.w.Command8_Click();
    ASSERT_EQ(s.w.visiblePanel(), 8);
    for (int k = 0; k < kOddSubjects.size(); ++k)
        s.enterMark(kOddSubjects[k], QString::number(81 + k));
    for (int k = 0; k < kOddSubjects.size(); ++k) {
        EXPECT_EQ(s.stored(kOddSubjects[k], "张三").toDouble(), 81 + k) << kOddSubjects[k].toStdString();
        EXPECT_TRUE(s.stored(kOddSubjects[k], "李四").isNull()) << kOddSubjects[k].toStdString();
    }
    EXPECT_EQ(d.messages(), QStringList());

    // The teacher panel lists his class with its marks for each subject.
    s.school.db()->execute("update 成绩表 set 总分 = 1");
    s.w.Command7_Click();
    ASSERT_EQ(s.w.visiblePanel(), 7);
    s.c<QPushButton>("Com74")->click();
    const QStringList lists = items(s.c<QListWidget>("List3"));
    for (int k = 0; k < kOddSubjects.size(); ++k) {
        const qsizetype at = lists.indexOf("2004级01班 " + kOddSubjects[k] + "(2人)");
        ASSERT_GE(at, 0) << lists.join('|').toStdString();
        EXPECT_TRUE(lists.value(at + 1).startsWith("张三")) << lists.join('|').toStdString();
        EXPECT_TRUE(lists.value(at + 1).contains(QString::number(81 + k))) << lists.join('|').toStdString();
    }
    EXPECT_FALSE(lists.join('|').contains("SQL")) << lists.join('|').toStdString();

    // Every web page, each with a column of every subject.
    d.chooseFile(s.path("Index.htm"));
    s.w.menuItem("MakeHTM")->trigger();
    EXPECT_EQ(QDir(s.dir.path()).entryList({"*.htm"}, QDir::Files),
              QStringList({"2004.htm", "200401.htm", "200402.htm", "Index.htm"}));
    const QString page = platform::fromGbk(testsupport::readFileBytes(s.path("200401.htm")));
    for (int k = 0; k < kOddSubjects.size(); ++k)
        EXPECT_TRUE(page.contains(QString::number(81 + k))) << kOddSubjects[k].toStdString();

    // The check list with every subject ticked.
    s.w.menuItem("Menu_HDXS")->trigger();
    auto* f = s.w.findChild<Form13*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(f, nullptr);
    for (int i = 0; i < f->List1->count(); ++i)
        f->List1->item(i)->setSelected(kOddSubjects.contains(f->List1->item(i)->text()) ||
                                       f->List1->item(i)->text() == "姓名");
    f->Command1_Click();
    EXPECT_EQ(f->RichTextBox1->text(), "核对学生姓名\n2004级01班全体同学的情况如下：\n\n"
                                       "张三  81 82 83 84    \n\n李四         \n\n");
    EXPECT_EQ(d.messages(), QStringList());
}
