#include "common/settings_files.h"
#include "platform/db/recordset.h"
#include "records/core/Tavisk.h"
#include "records/XJmain.h"
#include "records/core/records_database.h"
#include "records/core/student_list.h"
#include "support/dialog_double.h"
#include "support/school_fixture.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <gtest/gtest.h>

namespace {

// Two grade levels (2005 without classes), three areas, two teachers and
// students with and without sex and post.
class SchoolTree : public ::testing::Test {
protected:
    SchoolTree() : school_({"语文", "数学"}, {"2004", "2005"}, {"2004级01班", "2004级02班"}) {}

    void SetUp() override {
        Tavisk::resetState();
        auto db = school_.db();
        const QStringList f = {"STID", "年级", "班", "姓名"};
        db->insertRow("成绩表", f, {"20040001", "2004", "01", "张三"});
        db->insertRow("成绩表", f, {"20040002", "2004", "01", "李梅"});
        db->insertRow("成绩表", f, {"20040003", "2004", "02", "王五"});
        db->insertRow("成绩表", f, {"20050001", "2005", "03", "赵六"});
        db->createTable(records::registerTableDef());
        db->createTable(records::areaTableDef());
        db->execute("INSERT INTO 学籍表 (STID, 年级, 班, 姓名) SELECT STID, 年级, 班, 姓名 FROM 成绩表");
        db->execute("UPDATE 学籍表 SET 性别='男', 职务='班长', 联系地址='北京路1号', 出生年月='2003-07-21', "
                    "所在区域='001' WHERE STID='20040001'");
        db->execute("UPDATE 学籍表 SET 性别='女', 所在区域='001' WHERE STID='20040002'");
        db->execute("UPDATE 学籍表 SET 职务='组长' WHERE STID='20040003'");
        const QStringList a = {"ID", "名称", "距学校"};
        db->insertRow("区域表", a, {"001", "长安街", 5});
        db->insertRow("区域表", a, {"002", "南大街", 2});
        db->insertRow("区域表", a, {"003", "杏花村", 20});
        teacher("王老师", {"2004级01班", "", "2004级02班", "2004级01班"});
        teacher("李老师", {});
    }
    void TearDown() override { Tavisk::resetState(); }

    void teacher(const QString& name, const QStringList& classes) {
        QStringList fields = {"姓名"};
        QVariantList values = {name};
        for (int i = 0; i < classes.size(); ++i) {
            fields << QStringLiteral("任课班级%1").arg(i + 1);
            values << (classes[i].isEmpty() ? QVariant() : QVariant(classes[i]));
        }
        school_.db()->insertRow("教师表", fields, values);
    }

    void start() {
        w_ = std::make_unique<XJmain>();
        ASSERT_TRUE(w_->Form_Load());
    }
    // A click on a node as the tree reports it.
    void choose(const QString& key) {
        QTreeWidgetItem* n = w_->node(key);
        ASSERT_TRUE(n) << key.toStdString();
        w_->TreeView1->setCurrentItem(n);
        w_->TreeView1_NodeClick(n);
        w_->TreeView1_Click();
    }
    void clickStudent(const QString& id) {
        QListWidgetItem* item = w_->listItem("s" + id);
        ASSERT_TRUE(item);
        w_->ListView1->setCurrentItem(item);
        w_->ListView1_Click();
    }
    QStringList listed() const {
        QStringList out;
        for (int i = 0; i < w_->ListView1->count(); ++i)
            out << w_->ListView1->item(i)->data(Qt::UserRole).toString().mid(1);
        return out;
    }
    QString selected() const {
        QListWidgetItem* i = w_->ListView1->currentItem();
        return i && i->isSelected() ? i->data(Qt::UserRole).toString().mid(1) : QString();
    }

    SchoolFixture school_;
    DialogDouble dialogs_;
    std::unique_ptr<XJmain> w_;
};

TEST_F(SchoolTree, NodesInTableOrderWithKeysTextsAndImages) {
    start();
    QStringList nodes;
    for (QTreeWidgetItemIterator it(w_->TreeView1); *it; ++it) {
        QTreeWidgetItem* n = *it;
        nodes << QStringLiteral("%1<%2|%3|%4")
                     .arg(n->data(0, Qt::UserRole).toString(),
                          n->parent() ? n->parent()->data(0, Qt::UserRole).toString() : QString(), n->text(0))
                     .arg(n->data(0, Qt::UserRole + 1).toInt());
    }
    EXPECT_EQ(nodes, (QStringList{"M<|年级和班|1", "m2004<M|2004级|2", "m200401<m2004|2004级01班|3",
                                  "m200402<m2004|2004级02班|3", "m2005<M|2005级|2", "N<|家庭住址|1",
                                  "n001<N|长安街|8", "n002<N|南大街|8", "n003<N|杏花村|8", "O<|任课老师|1",
                                  "o王老师<O|王老师|9", "o李老师<O|李老师|9"}));
}

TEST_F(SchoolTree, EachNodeKindListsItsStudents) {
    start();
    struct Case { const char* key; const char* query; QStringList ids; const char* count; };
    const Case cases[] = {
        {"m2004", "select * from 学籍表 where 年级='2004'", {"20040001", "20040002", "20040003"}, "共3人"},
        {"m200401", "select * from 学籍表 where 年级='2004' and 班='01'", {"20040001", "20040002"}, "共2人"},
        {"m2005", "select * from 学籍表 where 年级='2005'", {"20050001"}, "共1人"},
        {"n001", "select * from 学籍表 where 所在区域='001'", {"20040001", "20040002"}, "共2人"},
        {"n002", "select * from 学籍表 where 所在区域='002'", {}, "共0人"},
        {"o王老师",
         "select * from 学籍表 where  年级='2004' and 班='01' or 年级='2004' and 班='02' or 年级='2004' and 班='01'",
         {"20040001", "20040002", "20040003"}, "共3人"},
        {"o李老师", "", {}, "共0人"},
    };
    for (const Case& c : cases) {
        choose(QString::fromUtf8(c.key));
        EXPECT_EQ(Tavisk::state().ListQuery, QString::fromUtf8(c.query)) << c.key;
        EXPECT_EQ(listed(), c.ids) << c.key;
        EXPECT_EQ(w_->StatusPanel1->text(), QString::fromUtf8(c.count)) << c.key;
    }
    // A teacher without assignments also forgets the class chosen before.
    EXPECT_EQ(Tavisk::state().SelectedGrade, QString());
    EXPECT_EQ(Tavisk::state().SelectedClass, QString());
}

TEST_F(SchoolTree, PicturesByStudentAndDetailsLine) {
    struct Case { QVariant sex, post; int image; };
    const Case cases[] = {{"男", QVariant(), 4}, {"女", "", 5}, {QVariant(), "组长", 6}, {"女", "班长", 7},
                          {"x", QVariant(), 4}};
    for (const Case& c : cases)
        EXPECT_EQ(records::studentImage(c.sex, c.post), c.image) << c.sex.toString().toStdString();

    start();
    choose("m200401");
    EXPECT_EQ(w_->listItem("s20040001")->data(Qt::UserRole + 1).toInt(), 6);
    EXPECT_EQ(w_->listItem("s20040002")->data(Qt::UserRole + 1).toInt(), 5);
    EXPECT_EQ(w_->listItem("s20040001")->text(), QStringLiteral("张三"));
    clickStudent("20040001");
    EXPECT_EQ(w_->StatusPanel2->text(), QStringLiteral("张三: 班长   北京路1号   2003-7-21"));
    clickStudent("20040002");
    EXPECT_EQ(w_->StatusPanel2->text(), QStringLiteral("李梅:       "));
}

TEST_F(SchoolTree, StudentSelectedAgainAfterAClassChangeButNotAfterATeacher) {
    start();
    choose("m200401");
    w_->ListView1->setCurrentItem(w_->listItem("s20040002"));
    w_->ListView1_DblClick();
    EXPECT_EQ(Tavisk::state().SelectedStudentId, QStringLiteral("20040002"));
    choose("m200402");
    EXPECT_EQ(selected(), QString());
    choose("m2004");
    EXPECT_EQ(selected(), QStringLiteral("20040002"));
    choose("o王老师");
    EXPECT_EQ(selected(), QString());
    EXPECT_EQ(Tavisk::state().SelectedStudentId, QString());
}

TEST_F(SchoolTree, RootEmptiesTheListAndTheNextActivationShowsItAgain) {
    start();
    choose("m200401");
    clickStudent("20040001");
    choose("N");
    EXPECT_EQ(w_->ListView1->count(), 0);
    EXPECT_EQ(w_->StatusPanel1->text(), QString());
    EXPECT_EQ(w_->StatusPanel2->text(), QString());
    EXPECT_EQ(Tavisk::state().ListQuery, records::classQuery("2004", "01"));
    // A change made meanwhile shows at the activation.
    school_.db()->execute("UPDATE 学籍表 SET 姓名='李小梅' WHERE STID='20040002'");
    w_->Form_Activate();
    EXPECT_EQ(listed(), (QStringList{"20040001", "20040002"}));
    EXPECT_EQ(w_->listItem("s20040002")->text(), QStringLiteral("李小梅"));
}

TEST_F(SchoolTree, ClicksWithNothingSelectedDoNothing) {
    start();
    w_->Form_Activate();   // the first activation: nothing chosen yet
    EXPECT_EQ(w_->ListView1->count(), 0);
    w_->ListView1_Click();
    w_->ListView1_DblClick();
    w_->TreeView1_Click();
    w_->MenuPedit_Click();   // no node chosen: the data control holds 教师表 from the tree
    EXPECT_EQ(Tavisk::state().ListQuery, QString());
    EXPECT_EQ(Tavisk::state().SelectedStudentId, QString());
    choose("m200401");
    w_->ListView1->clearSelection();
    w_->StatusPanel2->setText("x");
    w_->ListView1_Click();
    EXPECT_EQ(w_->StatusPanel2->text(), QStringLiteral("x"));
}

TEST_F(SchoolTree, EditOverTheListUsesTheNodesOwnStudents) {
    start();
    choose("o李老师");   // leaves 教师表 in the data control and no list
    w_->MenuPedit_Click();
    EXPECT_EQ(Tavisk::state().ListQuery, QString());
    choose("m200401");
    choose("m2005");
    w_->TreeView1->setCurrentItem(w_->node("m200402"));   // made current by a right click
    w_->MenuPedit_Click();
    const RecordsState& s = Tavisk::state();
    EXPECT_EQ(s.ListQuery, records::classQuery("2004", "02"));
    EXPECT_EQ(s.SelectedGrade, QStringLiteral("2004"));
    EXPECT_EQ(s.SelectedClass, QStringLiteral("02"));
    w_->TreeView1->setCurrentItem(w_->node("o王老师"));
    w_->MenuPedit_Click();
    EXPECT_TRUE(s.ListQuery.startsWith("select * from 学籍表 where  年级='2004'"));
}

TEST_F(SchoolTree, QuotesDuplicatesAndRemovedTeachersBreakNothing) {
    auto db = school_.db();
    db->insertRow("区域表", {"ID", "名称"}, {"a'b", "O'村"});
    db->insertRow("区域表", {"ID", "名称"}, {"001", "重号"});      // a second 001
    db->insertRow("班级表", {"年级", "班"}, {"2009", "01"});       // no such grade level
    teacher("O'N", {"2004级02班"});
    teacher("王老师", {"2005级03班"});                             // a second 王老师
    db->execute("UPDATE 学籍表 SET 所在区域='a''b' WHERE STID='20050001'");
    start();
    EXPECT_EQ(w_->node("n001")->text(0), QStringLiteral("长安街"));
    EXPECT_FALSE(w_->node("m200901"));
    int areas = 0;
    for (QTreeWidgetItemIterator it(w_->TreeView1); *it; ++it)
        areas += (*it)->data(0, Qt::UserRole).toString().startsWith('n') ? 1 : 0;
    EXPECT_EQ(areas, 4);

    choose("na'b");
    EXPECT_EQ(listed(), QStringList{"20050001"});
    choose("oO'N");
    EXPECT_EQ(listed(), QStringList{"20040003"});

    db->execute("DELETE FROM 教师表 WHERE 姓名='王老师'");
    choose("o王老师");
    EXPECT_EQ(listed(), QStringList());
    EXPECT_EQ(w_->StatusPanel1->text(), QStringLiteral("共0人"));
}

TEST_F(SchoolTree, ComingBackFromAnotherWindowOfTheProgramRefreshesTheList) {
    start();
    w_->setWindowState(Qt::WindowNoState);
    w_->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w_.get()));
    choose("m200401");
    QWidget other(w_.get(), Qt::Window);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    school_.db()->execute("UPDATE 学籍表 SET 姓名='张叁' WHERE STID='20040001'");
    w_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w_.get()));
    QApplication::processEvents();
    EXPECT_EQ(w_->listItem("s20040001")->text(), QStringLiteral("张叁"));
}

TEST_F(SchoolTree, ActivationWithoutTheLocatorEndsTheProgram) {
    start();
    w_->show();
    QFile::remove(locatorFilePath());
    dialogs_.answerMessage(platform::MsgResult::Ok, QStringLiteral("请先运行Orbisca,并保证本程序与Orbisca在同一文件夹."));
    w_->Form_Activate();
    EXPECT_EQ(dialogs_.lastTitle(), platform::programTitle());   // the program's own title
    EXPECT_FALSE(w_->isVisible());
}

} // namespace

TEST(SchoolTreeKeys, AStructureKeyGivesItsGradeAndClassAndNoOtherKeyDoes) {
    const struct {
        const char* key;
        const char* grade;
        const char* cls;
    } cases[] = {
        {"m2004", "2004", ""}, {"m200401", "2004", "01"}, {"M", "", ""},      {"m", "", ""},
        {"m20040", "", ""},    {"n001", "", ""},          {"o张老师", "", ""}, {"", "", ""},
    };
    for (const auto& c : cases) {
        const records::StructureNode node = records::structureOfKey(QString::fromUtf8(c.key));
        EXPECT_EQ(node.grade, QString::fromUtf8(c.grade)) << c.key;
        EXPECT_EQ(node.cls, QString::fromUtf8(c.cls)) << c.key;
    }
}
