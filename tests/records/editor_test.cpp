#include "platform/dbui/datagrid.h"
#include "platform/db/recordset.h"
#include "records/EditAll.h"
#include "records/XJAbout.h"
#include "records/XJmain.h"
#include "records/core/Tavisk.h"
#include "records/core/student_list.h"
#include "support/dialog_double.h"
#include "support/other_program.h"
#include "support/school_fixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

const QString kLastOne = QStringLiteral("已到最后一个，按确定回到第一个。");

// Three students of 2004级01班 in the register, one with marks, and the areas
// and profile of a first start.
class Editor : public ::testing::Test {
protected:
    Editor() : school_({"语文", "数学"}, {"2004"}, {"2004级01班", "2004级02班"}) {}
    void SetUp() override {
        Tavisk::resetState();
        auto db = school_.db();
        db->insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号", "语文"}, {"20040001", "2004", "01", "张三", "01", 88.5});
        db->insertRow("成绩表", {"STID", "年级", "班", "姓名"}, {"20040002", "2004", "01", "李梅"});
        db->insertRow("成绩表", {"STID", "年级", "班", "姓名"}, {"20040003", "2004", "01", "王五"});
        main_ = std::make_unique<XJmain>();
        ASSERT_TRUE(main_->Form_Load());
        db->execute("UPDATE 学籍表 SET 出生年月='2003-07-21', 所在区域='002', 籍贯='北京', 备注='好' WHERE STID='20040001'");
        db->execute("UPDATE 学籍表 SET 性别='女' WHERE STID='20040002'");
    }
    void TearDown() override {
        editor_.reset();
        main_.reset();
        Tavisk::resetState();
    }
    EditAll& open(const QString& student, const QString& list = {}) {
        Tavisk::state().SelectedStudentId = student;
        Tavisk::state().ListQuery = list;
        editor_ = std::make_unique<EditAll>();
        editor_->Form_Load();
        return *editor_;
    }
    QVariantList row(const char* table, const char* id) {
        const auto rows = school_.db()->query(QStringLiteral("SELECT * FROM %1 WHERE STID=?").arg(QString::fromUtf8(table)),
                                              {QString::fromUtf8(id)});
        return rows.empty() ? QVariantList() : rows.front();
    }
    QVariant field(const char* table, const char* id, const char* name) {
        return school_.db()->scalar(QStringLiteral("SELECT %1 FROM %2 WHERE STID=?").arg(QString::fromUtf8(name), QString::fromUtf8(table)),
                                    {QString::fromUtf8(id)});
    }

    SchoolFixture school_;
    DialogDouble dialogs_;
    std::unique_ptr<XJmain> main_;
    std::unique_ptr<EditAll> editor_;
};

TEST_F(Editor, OneStudentShowsTheRecordAndTheMarksListing) {
    EditAll& e = open("20040001");
    EXPECT_TRUE(e.oneStudentMode());
    EXPECT_EQ(e.windowTitle(), QStringLiteral("编辑学生情况"));
    EXPECT_EQ(e.listing(), QStringLiteral("姓名: 张三\r\n学号: 01\r\n考号: \r\n考室: \r\n座位: \r\n总分: \r\n平均分: \r\n"
                                          "语文: 88.5\r\n数学: \r\n"));
    EXPECT_FALSE(e.DataGrid1->isVisibleTo(&e));
    EXPECT_TRUE(e.Text1->isVisibleTo(&e));
    EXPECT_EQ(e.Textxm->text(), QStringLiteral("张三"));
    EXPECT_EQ(e.Label2->text(), QStringLiteral("20040001"));
    EXPECT_EQ(e.Textlj->text(), QStringLiteral("2004"));
    EXPECT_EQ(e.Textban->text(), QStringLiteral("01"));
    EXPECT_EQ(e.Textcs->text(), QStringLiteral("2003-7-21"));
    EXPECT_TRUE(e.Option2->isChecked());
    EXPECT_TRUE(e.Image2->isVisibleTo(&e));
    EXPECT_FALSE(e.Image1->isVisibleTo(&e));
    EXPECT_EQ(e.Comboqy->currentText(), QStringLiteral("南大街"));
    EXPECT_EQ(e.Combojg->currentText(), QStringLiteral("北京"));
    EXPECT_EQ(e.Comboqy->count(), 3);
    EXPECT_EQ(e.Combozhi->count(), 8);
    EXPECT_EQ(e.Combozz->itemText(3), QStringLiteral("少先队员"));
}

// The sex pictures and the about window's controls are found by their names,
// as tests and the accessibility tree look for them.
TEST_F(Editor, PicturesAndAboutControlsAreFoundByName) {
    EditAll& e = open("20040002");
    EXPECT_EQ(e.findChild<QLabel*>("Image1"), e.Image1);
    EXPECT_EQ(e.findChild<QLabel*>("Image2"), e.Image2);
    EXPECT_TRUE(e.findChild<QLabel*>("Image1")->isVisibleTo(&e));   // 女
    XJAbout about;
    about.Form_Load();
    const std::pair<const char*, QWidget*> controls[] = {
        {"picIcon", about.picIcon}, {"lblTitle", about.lblTitle}, {"lblVersion", about.lblVersion},
        {"cmdOK", about.cmdOK}, {"cmdSysInfo", about.cmdSysInfo},
    };
    for (const auto& [name, control] : controls)
        EXPECT_EQ(about.findChild<QWidget*>(QString::fromLatin1(name)), control) << name;
}

TEST_F(Editor, TabOrderOfTheRecordBoxes) {
    EditAll& e = open("20040001");
    const QList<QWidget*> order = {e.Textxm, e.Textcs, e.Option2, e.Option1, e.Combojg, e.Combomz,
                                   e.Combozz, e.Combozhi, e.Comboqy, e.Textdz, e.Textdh, e.Textjxm,
                                   e.Combojzw, e.Textbz, e.Command1, e.Command2};
    QList<QWidget*> chain;
    QWidget* w = e.Textxm;
    do {
        if (order.contains(w) && !chain.contains(w))
            chain << w;
        w = w->nextInFocusChain();
    } while (w != e.Textxm && chain.size() < order.size());
    EXPECT_EQ(chain, order);
    EXPECT_EQ(e.Textlj->focusPolicy(), Qt::ClickFocus);   // outside the tab order
    EXPECT_TRUE(e.Textlj->isReadOnly());
}

TEST_F(Editor, ListModeWalksTheSetWithOk) {
    EditAll& e = open({}, records::classQuery("2004", "01"));
    EXPECT_FALSE(e.oneStudentMode());
    EXPECT_TRUE(e.DataGrid1->isVisibleTo(&e));
    EXPECT_FALSE(e.DataGrid1->allowUpdate());
    QStringList captions{e.adodcCaption()};
    for (int i = 0; i < 2; ++i) {
        e.Command1_Click();
        captions << e.adodcCaption();
    }
    EXPECT_EQ(e.Textxm->text(), QStringLiteral("王五"));
    dialogs_.answerMessage(platform::MsgResult::Ok, kLastOne);
    e.Command1_Click();
    captions << e.adodcCaption();
    EXPECT_EQ(captions, (QStringList{"1/3", "2/3", "3/3", "1/3"}));
    EXPECT_EQ(dialogs_.lastTitle(), QStringLiteral("提示"));
    EXPECT_EQ(field("学籍表", "20040002", "性别").toString(), QStringLiteral("女"));
    EXPECT_EQ(field("学籍表", "20040003", "性别").toString(), QStringLiteral("男"));
}

TEST_F(Editor, CancelMovesOnWithoutSavingThenStaysPastTheLast) {
    EditAll& e = open({}, records::classQuery("2004", "01"));
    e.Combojg->setEditText("上海");
    e.Command2_Click();
    e.Command2_Click();
    EXPECT_EQ(e.adodcCaption(), QStringLiteral("3/3"));
    e.Command2_Click();
    EXPECT_EQ(e.Textxm->text(), QString());
    EXPECT_EQ(e.Label2->text(), QStringLiteral("20040003"));   // never emptied, as it never was
    e.Command2_Click();
    e.Command1_Click();   // nothing current: nothing stored, no message
    EXPECT_TRUE(e.Textxm->text().isEmpty());
    EXPECT_EQ(field("学籍表", "20040001", "籍贯").toString(), QStringLiteral("北京"));
}

TEST_F(Editor, OneStudentOkAndCancelClose) {
    EditAll& e = open("20040002");
    e.show();
    e.Command2_Click();
    EXPECT_FALSE(e.isVisible());
    EXPECT_TRUE(field("学籍表", "20040002", "籍贯").isNull());
    EditAll& f = open("20040002");
    f.show();
    f.Combojg->setEditText("南京");
    f.Command1_Click();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(field("学籍表", "20040002", "籍贯").toString(), QStringLiteral("南京"));
}

TEST_F(Editor, NameAndClassReachTheScoreTableAndTheBirthDateAloneDoesNot) {
    const QVariantList scoresBefore = row("成绩表", "20040001");
    EditAll& e = open("20040001");
    e.Textcs->setText("2003-8-1");
    e.Command1_Click();
    EXPECT_EQ(row("成绩表", "20040001"), scoresBefore);
    EXPECT_EQ(field("学籍表", "20040001", "出生年月").toString(), QStringLiteral("2003-08-01"));

    EditAll& f = open("20040001");
    f.Textxm->setText("张叁");
    f.Textban->setText("02");
    f.Command1_Click();
    for (const char* table : {"学籍表", "成绩表"}) {
        EXPECT_EQ(field(table, "20040001", "姓名").toString(), QStringLiteral("张叁")) << table;
        EXPECT_EQ(field(table, "20040001", "班").toString(), QStringLiteral("02")) << table;
        EXPECT_EQ(field(table, "20040001", "年级").toString(), QStringLiteral("2004")) << table;
    }
}

TEST_F(Editor, EmptyBoxesKeepOrClearAsDesigned) {
    EditAll& e = open("20040001");
    e.Textcs->clear();
    e.Comboqy->setEditText("");
    e.Textbz->clear();
    e.Combojg->setEditText("");
    e.Command1_Click();
    EXPECT_EQ(field("学籍表", "20040001", "出生年月").toString(), QStringLiteral("2003-07-21"));
    EXPECT_EQ(field("学籍表", "20040001", "所在区域").toString(), QStringLiteral("002"));
    EXPECT_TRUE(field("学籍表", "20040001", "备注").isNull());
    const QVariant place = field("学籍表", "20040001", "籍贯");
    EXPECT_FALSE(place.isNull());
    EXPECT_EQ(place.toString(), QString());

    // An ID that no area has shows an empty box and is kept.
    school_.db()->execute("UPDATE 学籍表 SET 所在区域='777' WHERE STID='20040001'");
    EditAll& f = open("20040001");
    EXPECT_EQ(f.Comboqy->currentText(), QString());
    f.Command1_Click();
    EXPECT_EQ(field("学籍表", "20040001", "所在区域").toString(), QStringLiteral("777"));
}

TEST_F(Editor, RefusedBoxesWriteNothingAndKeepWhatWasTyped) {
    struct Case { const char* name; std::function<void(EditAll&)> type; };
    const Case cases[] = {
        {"no date", [](EditAll& e) { e.Textcs->setText("2003-02-30"); }},
        {"too long", [](EditAll& e) { e.Combojg->setEditText("一二三四五六七八九"); }},
        {"no such class", [](EditAll& e) { e.Textban->setText("07"); }},
        {"empty name", [](EditAll& e) { e.Textxm->clear(); }},
    };
    for (const Case& c : cases) {
        const QVariantList reg = row("学籍表", "20040001");
        const QVariantList scores = row("成绩表", "20040001");
        EditAll& e = open("20040001");
        e.show();
        e.Textxm->setText("张叁");       // a change that must not be stored either
        c.type(e);
        const QString typed = e.Combojg->currentText();
        dialogs_.answerMessage();
        e.Command1_Click();
        EXPECT_TRUE(e.isVisible()) << c.name;
        EXPECT_EQ(e.Combojg->currentText(), typed) << c.name;
        EXPECT_EQ(row("学籍表", "20040001"), reg) << c.name;
        EXPECT_EQ(row("成绩表", "20040001"), scores) << c.name;
    }
}

// Another program's calculation holds the file: the refused save keeps every
// box as typed and the record in edit, and the next 确定 stores it all.
TEST_F(Editor, ASaveRefusedByABusyFileKeepsTheTypingForTheNextOk) {
    testsupport::OtherProgram::waitAtMost(*school_.db(), 50);
    EditAll& e = open("20040001");
    e.show();
    e.Textxm->setText("张叁");
    e.Textban->setText("02");
    e.Textcs->setText("2003-8-1");
    e.Option1->setChecked(true);
    e.Combojg->setEditText("上海");
    e.Textbz->setText("转学");
    const QVariantList reg = row("学籍表", "20040001");
    const QVariantList scores = row("成绩表", "20040001");
    {
        testsupport::OtherProgram other(school_.databasePath());
        other.run("BEGIN IMMEDIATE");
        dialogs_.answerMessage(platform::MsgResult::Ok, QStringLiteral("数据库正被别的程序使用,请稍后再试."));
        e.Command1_Click();
        EXPECT_TRUE(e.isVisible());
        EXPECT_EQ(e.Textxm->text(), QStringLiteral("张叁"));
        EXPECT_EQ(e.Textban->text(), QStringLiteral("02"));
        EXPECT_EQ(e.Textcs->text(), QStringLiteral("2003-8-1"));
        EXPECT_TRUE(e.Option1->isChecked());
        EXPECT_TRUE(e.Image1->isVisibleTo(&e));
        EXPECT_EQ(e.Combojg->currentText(), QStringLiteral("上海"));
        EXPECT_EQ(e.Textbz->text(), QStringLiteral("转学"));
        EXPECT_EQ(e.Label2->text(), QStringLiteral("20040001"));
        EXPECT_EQ(e.adodcCaption(), QStringLiteral("1/1"));
        other.run("ROLLBACK");
    }
    EXPECT_EQ(row("学籍表", "20040001"), reg);
    EXPECT_EQ(row("成绩表", "20040001"), scores);
    e.Command1_Click();
    EXPECT_FALSE(e.isVisible());
    EXPECT_EQ(field("学籍表", "20040001", "姓名").toString(), QStringLiteral("张叁"));
    EXPECT_EQ(field("学籍表", "20040001", "班").toString(), QStringLiteral("02"));
    EXPECT_EQ(field("学籍表", "20040001", "性别").toString(), QStringLiteral("女"));
    EXPECT_EQ(field("学籍表", "20040001", "籍贯").toString(), QStringLiteral("上海"));
    EXPECT_EQ(field("学籍表", "20040001", "备注").toString(), QStringLiteral("转学"));
    EXPECT_EQ(field("学籍表", "20040001", "出生年月").toString(), QStringLiteral("2003-08-01"));
    EXPECT_EQ(field("成绩表", "20040001", "姓名").toString(), QStringLiteral("张叁"));
    EXPECT_EQ(field("成绩表", "20040001", "班").toString(), QStringLiteral("02"));
}

// The refused save reads the list again, which another program shortened
// meanwhile: the student being edited stays current, and the next 确定 stores
// the typing on him.
TEST_F(Editor, ASaveRefusedByABusyFileStaysOnTheStudentWhenTheListChanged) {
    testsupport::OtherProgram::waitAtMost(*school_.db(), 50);
    EditAll& e = open({}, records::classQuery("2004", "01"));
    e.Command2_Click();
    ASSERT_EQ(e.Label2->text(), QStringLiteral("20040002"));
    e.Textxm->setText("李美");
    {
        testsupport::OtherProgram other(school_.databasePath());
        other.run("DELETE FROM 学籍表 WHERE STID='20040001'");
        other.run("BEGIN IMMEDIATE");
        dialogs_.answerMessage(platform::MsgResult::Ok, QStringLiteral("数据库正被别的程序使用,请稍后再试."));
        e.Command1_Click();
        EXPECT_EQ(e.Label2->text(), QStringLiteral("20040002"));
        EXPECT_EQ(e.Textxm->text(), QStringLiteral("李美"));
        other.run("ROLLBACK");
    }
    e.Command1_Click();
    EXPECT_EQ(field("学籍表", "20040002", "姓名").toString(), QStringLiteral("李美"));
    EXPECT_EQ(field("学籍表", "20040003", "姓名").toString(), QStringLiteral("王五"));
}

TEST_F(Editor, StudentWithoutScoreRowKeepsTheRenameInTheRegister) {
    school_.db()->execute("DELETE FROM 成绩表 WHERE STID='20040003'");
    EditAll& e = open("20040003");
    EXPECT_EQ(e.listing(), QString());
    e.Textxm->setText("王伍");
    e.Command1_Click();
    EXPECT_EQ(field("学籍表", "20040003", "姓名").toString(), QStringLiteral("王伍"));
}

TEST_F(Editor, KeysAsAPersonTypesThem) {
    EditAll& e = open("20040003");
    e.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&e));
    e.Textcs->setFocus();
    QApplication::processEvents();
    e.Textcs->clear();
    QTest::keyClicks(e.Textcs, "2003721");
    EXPECT_EQ(e.Textcs->text(), QStringLiteral("2003-07-21"));
    EXPECT_EQ(e.YearPrefix, QStringLiteral("200"));
    EXPECT_TRUE(e.Option2->hasFocus());

    // A new area confirmed with Enter has its ID when the record is stored.
    e.Comboqy->setFocus();
    e.Comboqy->setEditText("新村");
    QTest::keyClick(e.Comboqy, Qt::Key_Return);
    EXPECT_FALSE(e.isVisible());
    EXPECT_EQ(field("学籍表", "20040003", "所在区域").toString(), QStringLiteral("004"));
    EXPECT_EQ(field("学籍表", "20040003", "出生年月").toString(), QStringLiteral("2003-07-21"));
    EXPECT_EQ(school_.db()->scalar("SELECT 名称 FROM 区域表 WHERE ID='004'").toString(), QStringLiteral("新村"));
    EXPECT_EQ(Tavisk::state().Regions.at(4).name, QStringLiteral("新村"));
}

TEST_F(Editor, NameBoxRefusesLettersAndEnterCommitsWithoutSaving) {
    EditAll& e = open("20040003");
    e.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&e));
    e.Textxm->setFocus();
    dialogs_.answerMessage(platform::MsgResult::Ok, QStringLiteral("只能使用汉字作为人名！"));
    QTest::keyClick(e.Textxm, Qt::Key_A);
    EXPECT_EQ(e.Textxm->text(), QStringLiteral("王五"));
    EXPECT_EQ(dialogs_.shown().back().buttons, platform::MsgButtons::OkCancel);
    e.Textxm->setText(" 欧阳小明 ");
    QTest::keyClick(e.Textxm, Qt::Key_Return);
    EXPECT_EQ(e.Textxm->text(), QStringLiteral("欧阳小"));
    EXPECT_TRUE(e.Textcs->hasFocus());
    EXPECT_EQ(field("学籍表", "20040003", "姓名").toString(), QStringLiteral("王五"));

    // A commit of the input method follows the same rule.
    e.Textxm->setFocus();
    QInputMethodEvent latin;
    latin.setCommitString("ab");
    dialogs_.answerMessage(platform::MsgResult::Ok, QStringLiteral("只能使用汉字作为人名！"));
    QApplication::sendEvent(e.Textxm, &latin);
    EXPECT_EQ(e.Textxm->text(), QStringLiteral("欧阳小"));
    e.Textxm->clear();
    QInputMethodEvent chinese;
    chinese.setCommitString("赵");
    QApplication::sendEvent(e.Textxm, &chinese);
    EXPECT_EQ(e.Textxm->text(), QStringLiteral("赵"));
}

TEST_F(Editor, PrefillsAndPictures) {
    EditAll& e = open("20040002");
    e.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&e));
    EXPECT_TRUE(e.Image1->isVisible());
    EXPECT_FALSE(e.Image2->isVisible());
    e.Option2->setChecked(true);
    EXPECT_TRUE(e.Image2->isVisible());
    EXPECT_FALSE(e.Image1->isVisible());

    e.Comboqy->setEditText("南大街");
    e.Textdz->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(e.Textdz->text(), QStringLiteral("南大街"));
    EXPECT_EQ(e.Textdz->cursorPosition(), 3);
    e.Textjxm->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(e.Textjxm->text(), QStringLiteral("李"));
    EXPECT_EQ(e.Textjxm->cursorPosition(), 1);

    // Leaving the birth date with no date warns; the text stays.
    e.Textcs->setFocus();
    e.Textcs->setText(" 2003-02-30 ");
    dialogs_.answerMessage(platform::MsgResult::Ok, QStringLiteral("出生年月输入有误，正确的写法是：2003-7-21，请重试！"));
    e.Textbz->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(e.Textcs->text(), QStringLiteral("2003-02-30"));
}

TEST_F(Editor, OpenedFromTheMainWindowOnceAndKeptWhileOpen) {
    QTreeWidgetItem* cls = main_->node("m200401");
    ASSERT_TRUE(cls);
    main_->TreeView1_NodeClick(cls);
    main_->ListView1->setCurrentItem(main_->listItem("s20040002"));
    main_->ListView1_DblClick();
    EditAll* first = main_->editor();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->oneStudentMode());
    EXPECT_EQ(first->Textxm->text(), QStringLiteral("李梅"));
    main_->TreeView1->setCurrentItem(cls);
    main_->MenuPedit_Click();
    EXPECT_EQ(main_->editor(), first);
    EXPECT_TRUE(first->oneStudentMode());
    first->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(main_->editor());
    main_->MenuPedit_Click();
    ASSERT_TRUE(main_->editor());
    EXPECT_FALSE(main_->editor()->oneStudentMode());
    EXPECT_EQ(main_->editor()->adodcCaption(), QStringLiteral("1/3"));
}

} // namespace
