// The full-mark and mark-entry panels on the real main window, driven with
// the mouse and real key events, the dialog double answering the messages.
#include "grades/app/main_window.h"
#include "grades/entry/FullMarkPanel.h"
#include "grades/entry/MarkEntryPanel.h"
#include "grades/frame/Form2.h"

#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/dbui/datagrid.h"
#include "support/dialog_double.h"
#include "support/mark_school.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using platform::MsgResult;

namespace {

const QString kOnlyDigits = QStringLiteral("只能在这里输入数字!");

struct MarkPanelsTest : ::testing::Test {
    SchoolFixture school{{"语文", "数学"}, {"2004", "2005"}, {"2004级01班", "2005级01班"}};
    platform::db::Database& db = *school.db();
    std::unique_ptr<Form2> window = makeMainWindow();
    Form2& w = *window;
    MarkEntryPanel& marks = dynamic_cast<MarkEntryPanel&>(*w.panel(8));

    MarkPanelsTest() {
        seedMarkSchool(db);
        w.ConnectDataControls();
        w.resize(1000, 700);
        w.show();
    }

    template <class T> T* at(const char* name) { return w.control<T>(QString::fromUtf8(name)); }
    QLineEdit* Te81() { return at<QLineEdit>("Te81"); }
    QLineEdit* Te82() { return at<QLineEdit>("Te82"); }
    QString label(const char* name) { return at<QLabel>(name)->text(); }
    platform::db::Recordset& list() { return *w.anyDataControl("Ad8").recordset(); }
    int position() { return list().absolutePosition(); }
    QString current() { return list().value("姓名").toString(); }

    void click(const char* button) { QTest::mouseClick(at<QPushButton>(button), Qt::LeftButton); }
    // Characters as the keyboard (or the input method) delivers them, one key press each.
    static void typeText(QWidget* box, const QString& text) {
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, box, c.unicode() < 0x80 ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown,
                                QString(c), Qt::NoModifier);
    }
    // A mark typed over what the box shows, then Enter.
    void enterMark(const QString& mark) {
        Te81()->selectAll();
        typeText(Te81(), mark);
        QTest::keyClick(Te81(), Qt::Key_Return);
    }

    void openMarks(const QString& subject = "数学") {
        w.Command8_Click();
        ASSERT_EQ(w.visiblePanel(), 8);
        auto* combo8 = at<QComboBox>("Combo8");
        combo8->setCurrentIndex(combo8->findText(subject));
        marks.Combo8_Click();
    }
    void chooseRoomOrClass(const QString& text) {
        auto* combo7 = at<QComboBox>("Combo7");
        combo7->setCurrentIndex(combo7->findText(text));
        marks.Combo7_Click();
    }
};

// ---------------------------------------------------------------- full marks

struct FullMarkPanelTest : MarkPanelsTest {
    platform::db::DataGrid* grid() { return w.grid("DataGrid4"); }
    void open() {
        w.Command4_Click();
        ASSERT_EQ(w.visiblePanel(), 4);
    }
    QVariant fullMark(const QString& grade) {
        return db.scalar("select 数学 from 年级表 where 年级 = ?", {grade});
    }
};

TEST_F(FullMarkPanelTest, OpensOnTheGradeTableWithTheGradeLocked) {
    open();
    EXPECT_EQ(grid()->columnCount(), 3);
    EXPECT_TRUE(grid()->isColumnLocked(0));
    EXPECT_FALSE(grid()->editCell(0, 0, "2009"));
    EXPECT_EQ(label("La42"), "注意: 如果一个年级没有开设某一科,请将其分值设为零分.");
    EXPECT_EQ(grid()->view()->model()->index(1, 2).data().toString(), "120.5");
}

// The finishing work then sees every grade level, the edited one included.
TEST_F(FullMarkPanelTest, AMarkTypedAndNotLeftIsStoredByFinish) {
    db.execute("update 年级表 set 语文 = 0 where 年级 = '2004'");
    db.execute("update 班级表 set 语文 = '王'");
    open();
    QTableView* view = grid()->view();
    const QModelIndex cell = view->model()->index(1, 2);
    view->setCurrentIndex(cell);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_1);   // typing opens the cell's editor
    QLineEdit* editor = nullptr;
    for (auto* e : view->viewport()->findChildren<QLineEdit*>())
        if (!e->isHidden())
            editor = e;
    ASSERT_NE(editor, nullptr);
    typeText(editor, "20");
    // 完成 by the menu's panel button, which takes no focus from the cell.
    w.MenuStudent_Click();
    EXPECT_EQ(fullMark("2005").toDouble(), 120.0);
    EXPECT_TRUE(db.scalar("select 语文 from 年级表 where 年级 = '2004'").isNull());
    EXPECT_TRUE(db.scalar("select 语文 from 班级表 where 年级 = '2004'").isNull());
    EXPECT_EQ(db.scalar("select 语文 from 班级表 where 年级 = '2005'").toString(), "王");
    EXPECT_EQ(w.visiblePanel(), 1);
}

TEST_F(FullMarkPanelTest, ZeroLeavesThePaperEmptyAndItsTeachersGo) {
    db.execute("update 班级表 set 数学 = '王' where 年级 = '2004'");
    db.insertRow("教师表", {"姓名", "任课班级1", "科目1"}, {"王", "2004级01班", "数学"});
    open();
    ASSERT_TRUE(grid()->editCell(0, 2, "0"));
    click("Comout_3");
    EXPECT_TRUE(fullMark("2004").isNull());
    EXPECT_EQ(fullMark("2005").toDouble(), 120.5);
    EXPECT_TRUE(db.scalar("select 数学 from 班级表 where 年级 = '2004'").isNull());
    EXPECT_TRUE(db.scalar("select 任课班级1 from 教师表 where 姓名 = '王'").isNull());
    open();
    EXPECT_EQ(grid()->view()->model()->index(0, 2).data().toString(), "");
}

TEST_F(FullMarkPanelTest, ANegativeFullMarkIsRefused) {
    open();
    {
        DialogDouble dialogs;
        dialogs.answerMessage(MsgResult::Ok, "试卷的总分不能为负数!");
        EXPECT_FALSE(grid()->editCell(1, 2, "-5"));
        EXPECT_EQ(dialogs.lastTitle(), "提示");
    }
    click("Comout_3");
    EXPECT_EQ(fullMark("2005").toDouble(), 120.5);
}

// A text that is no number gets the panel's own prompt, not the engine's type
// error under the program's name; what blanks surround still counts.
TEST_F(FullMarkPanelTest, AFullMarkThatIsNoNumberIsRefusedByThePanel) {
    open();
    for (const char* typed : {"abc", "12abc", "一百", "1,5"}) {
        DialogDouble dialogs;
        dialogs.answerMessage(MsgResult::Ok, "试卷的总分必须是数字!");
        EXPECT_FALSE(grid()->editCell(1, 2, QString::fromUtf8(typed))) << typed;
        EXPECT_EQ(dialogs.lastTitle(), "提示") << typed;
        EXPECT_EQ(dialogs.shown().back().icon, platform::MsgIcon::None) << typed;
    }
    ASSERT_TRUE(grid()->editCell(1, 1, " 150 "));
    click("Comout_3");
    EXPECT_EQ(fullMark("2005").toDouble(), 120.5);
    EXPECT_EQ(db.scalar("select 语文 from 年级表 where 年级 = '2005'").toDouble(), 150.0);
}

// ---------------------------------------------------------------- mark entry

TEST_F(MarkPanelsTest, WithoutRoomsItOpensOnClassesAndRoomsListNothing) {
    w.setSettingsValue(7, "0");
    openMarks();
    EXPECT_TRUE(at<QRadioButton>("Option7")->isChecked());
    EXPECT_FALSE(at<QRadioButton>("Option6")->isChecked());
    auto* combo7 = at<QComboBox>("Combo7");
    auto* combo8 = at<QComboBox>("Combo8");
    EXPECT_TRUE(combo7->isEditable());
    ASSERT_EQ(combo7->count(), 2);
    EXPECT_EQ(combo7->currentText(), "2004级01班");
    EXPECT_EQ(combo8->itemText(0), "语文");
    EXPECT_EQ(combo8->itemText(1), "数学");

    EXPECT_EQ(label("La88"), "数学");
    EXPECT_EQ(list().recordCount(), 5);
    EXPECT_EQ(current(), "甲一");
    EXPECT_EQ(w.anyDataControl("Ad8").caption(), "1/5");
    EXPECT_EQ(label("La89"), "座位号:01 考室:001 2004级01班");
    EXPECT_EQ(Te82()->text(), "20040101  甲一");
    EXPECT_EQ(Te81()->text(), "10");
    EXPECT_EQ(Te81()->selectedText(), "10");
    EXPECT_EQ(w.focusWidget(), Te81());
    EXPECT_EQ(at<QLabel>("La82")->palette().color(QPalette::Window), QColor(Qt::yellow));
    auto* grid = w.grid("DataGrid5");
    // To the pixel.
    EXPECT_NEAR(grid->columnWidthTwips(0), 400, 15);
    EXPECT_NEAR(grid->columnWidthTwips(1), 600, 15);
    EXPECT_NEAR(grid->columnWidthTwips(3), 1200, 15);
    EXPECT_FALSE(grid->editCell(0, 1, "99"));   // marks change only through the mark box

    list().setAbsolutePosition(3);
    EXPECT_EQ(label("La89"), " 2004级01班");   // no room
    EXPECT_EQ(label("La82"), "甲一 10分");
    EXPECT_EQ(label("Label11"), "20040101");

    QTest::mouseClick(at<QRadioButton>("Option6"), Qt::LeftButton);
    EXPECT_TRUE(at<QRadioButton>("Option6")->isChecked());
    EXPECT_EQ(combo7->count(), 0);
}

TEST_F(MarkPanelsTest, TenRoomsListRoomTenFirstAndLoadIt) {
    db.execute("update 成绩表 set 考室 = '010', 座位 = '01' where 姓名 = '甲三'");
    w.setSettingsValue(7, "10");
    openMarks();
    EXPECT_TRUE(at<QRadioButton>("Option6")->isChecked());
    auto* combo7 = at<QComboBox>("Combo7");
    ASSERT_EQ(combo7->count(), 10);
    EXPECT_EQ(combo7->itemText(0), "10考室");
    EXPECT_EQ(combo7->currentText(), "10考室");
    EXPECT_EQ(current(), "甲三");
    EXPECT_EQ(list().recordCount(), 1);
}

// The room holds 甲一 (2004, full mark 100), 乙一 (2005, 120.5) and 甲二 (2004).
TEST_F(MarkPanelsTest, MarksTypedWithEnterAreCheckedAgainstEachStudentsOwnPaper) {
    w.setSettingsValue(7, "1");
    openMarks();
    ASSERT_EQ(list().recordCount(), 3);
    DialogDouble dialogs;
    enterMark("100");
    EXPECT_EQ(storedMark(db, "甲一").toDouble(), 100.0);
    EXPECT_EQ(current(), "乙一");
    EXPECT_EQ(label("La82"), "甲一 100分");
    EXPECT_EQ(label("Label11"), "20040101");

    dialogs.answerMessage(MsgResult::Ok, "你输入的成绩无效,超过了该科试卷的总分--120.5分!");
    enterMark("130");
    EXPECT_EQ(dialogs.lastTitle(), "提示");
    EXPECT_EQ(Te81()->text(), "");
    EXPECT_EQ(current(), "乙一");
    EXPECT_TRUE(storedMark(db, "乙一").isNull());

    enterMark("120.5");
    EXPECT_FLOAT_EQ(storedMark(db, "乙一").toFloat(), 120.5f);
    EXPECT_EQ(current(), "甲二");
    EXPECT_EQ(w.anyDataControl("Ad8").caption(), "3/3");

    dialogs.answerMessage(MsgResult::Ok, "输入完成!");
    enterMark("95");
    EXPECT_EQ(dialogs.lastTitle(), "结束");
    EXPECT_EQ(storedMark(db, "甲二").toDouble(), 95.0);
    EXPECT_EQ(current(), "甲二");
    EXPECT_EQ(Te81()->text(), "95");
    EXPECT_EQ(Te81()->selectedText(), "95");

    // 0 and a pasted negative number.
    list().setAbsolutePosition(1);
    enterMark("0");
    EXPECT_TRUE(storedMark(db, "甲一").isNull());
    list().setAbsolutePosition(1);
    EXPECT_EQ(Te81()->text(), "");
    Te81()->setText("-5");
    dialogs.answerMessage(MsgResult::Ok, kOnlyDigits);
    QTest::keyClick(Te81(), Qt::Key_Return);
    EXPECT_TRUE(storedMark(db, "甲一").isNull());
    EXPECT_EQ(Te81()->text(), "");
    EXPECT_EQ(dialogs.messages().size(), 3);
}

TEST_F(MarkPanelsTest, KeysTheMarkBoxTakes) {
    openMarks();
    struct Case { QString key; bool typed; };
    const Case cases[] = {
        {"7", true}, {".", true}, {"a", false}, {"Z", false}, {"-", false}, {"/", false},
        {"+", false}, {"中", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key.toStdString());
        Te81()->clear();
        DialogDouble dialogs;
        if (!c.typed)
            dialogs.answerMessage(MsgResult::Ok, kOnlyDigits);
        typeText(Te81(), c.key);
        EXPECT_EQ(Te81()->text(), c.typed ? c.key : QString());
        EXPECT_EQ(dialogs.lastTitle(), c.typed ? "" : "提示");
    }
    Te81()->setText("85");
    QTest::keyClick(Te81(), Qt::Key_Backspace);
    EXPECT_EQ(Te81()->text(), "8");
    // A Chinese character ends the number.
    typeText(Te81(), "中");
    QTest::keyClick(Te81(), Qt::Key_Return);
    EXPECT_EQ(storedMark(db, "甲一").toDouble(), 8.0);
}

TEST_F(MarkPanelsTest, ArrowsStoreAndMoveAndStayAtEitherEnd) {
    openMarks();
    DialogDouble dialogs;   // no message at either end
    Te81()->selectAll();
    typeText(Te81(), "55");
    QTest::keyClick(Te81(), Qt::Key_Up);
    EXPECT_EQ(storedMark(db, "甲一").toDouble(), 55.0);
    EXPECT_EQ(position(), 1);
    EXPECT_EQ(Te81()->text(), "55");

    QTest::keyClick(Te81(), Qt::Key_Down);   // the shown mark stored again as it is
    EXPECT_EQ(position(), 2);
    EXPECT_EQ(storedMark(db, "甲一").toDouble(), 55.0);

    list().setAbsolutePosition(5);
    Te81()->selectAll();
    typeText(Te81(), "66");
    QTest::keyClick(Te81(), Qt::Key_Down);
    EXPECT_EQ(storedMark(db, "甲五").toDouble(), 66.0);
    EXPECT_EQ(position(), 5);

    // A correction: back up one, type over it.
    QTest::keyClick(Te81(), Qt::Key_Up);
    EXPECT_EQ(position(), 4);
    enterMark("44");
    EXPECT_EQ(classMarks(db), "55 20 30 44 66");
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

TEST_F(MarkPanelsTest, InsertAndDeleteShiftTheFollowingMarks) {
    openMarks();
    list().setAbsolutePosition(3);
    Te81()->setText("75");
    click("Command11");
    EXPECT_EQ(classMarks(db), "10 20 75 30 40");
    EXPECT_EQ(position(), 3);
    EXPECT_EQ(Te81()->text(), "75");
    EXPECT_FALSE(w.grid("DataGrid5")->isHidden());

    {
        DialogDouble dialogs;
        dialogs.answerMessage(MsgResult::Ok, "你输入的成绩无效,超过了该科试卷的总分--100分!");
        Te81()->setText("101");
        click("Command11");
    }
    EXPECT_EQ(classMarks(db), "10 20 75 30 40");

    Te81()->setText("99");   // not stored by 删除
    click("Command12");
    EXPECT_EQ(classMarks(db), "10 20 30 40 -");
    EXPECT_EQ(position(), 3);
    EXPECT_EQ(Te81()->text(), "30");

    list().setAbsolutePosition(4);
    click("Command12");
    EXPECT_EQ(classMarks(db), "10 20 30 - -");
}

TEST_F(MarkPanelsTest, ASearchFindsByNameOrExamNumberAndUsesThatStudentsPaper) {
    openMarks();
    Te82()->selectAll();
    typeText(Te82(), "乙'三");
    QTest::keyClick(Te82(), Qt::Key_Return);
    ASSERT_EQ(list().recordCount(), 1);
    EXPECT_EQ(current(), "乙'三");
    DialogDouble dialogs;
    dialogs.answerMessage(MsgResult::Ok, "输入完成!");
    enterMark("110");
    EXPECT_EQ(storedMark(db, "乙'三").toDouble(), 110.0);

    Te82()->selectAll();
    typeText(Te82(), "20040102");
    QTest::keyClick(Te82(), Qt::Key_Return);
    EXPECT_EQ(current(), "甲二");
}

TEST_F(MarkPanelsTest, WhatNamesNothingGivesAnEmptyListOrAZeroFullMark) {
    openMarks();
    // A subject that is no mark column.
    auto* combo8 = at<QComboBox>("Combo8");
    combo8->setEditText("物理");
    marks.Combo8_Click();
    EXPECT_EQ(w.anyDataControl("Ad8").recordset(), nullptr);
    EXPECT_EQ(Te81()->text(), "");
    EXPECT_EQ(w.anyDataControl("Ad8").caption(), "");
    // A search while no subject is chosen.
    combo8->setEditText("");
    Te82()->setText("甲一");
    QTest::keyClick(Te82(), Qt::Key_Return);
    EXPECT_EQ(w.anyDataControl("Ad8").recordset(), nullptr);

    // A grade level without a 年级表 row: its papers have full mark 0.
    db.execute("delete from 年级表 where 年级 = '2005'");
    combo8->setCurrentIndex(1);
    DialogDouble dialogs;
    dialogs.answerMessage(MsgResult::Ok, "这一科的总分为零分,请重新选择一个科目!");
    chooseRoomOrClass("2005级01班");
    EXPECT_EQ(dialogs.lastTitle(), "提示");
    EXPECT_EQ(list().recordCount(), 3);

    // No classes at all.
    w.Comout_Click(7);
    db.execute("delete from 班级表");
    openMarks();
    EXPECT_EQ(at<QComboBox>("Combo7")->count(), 0);
}

TEST_F(MarkPanelsTest, FinishLetsTheListGo) {
    openMarks();
    click("Comout_7");
    EXPECT_EQ(w.visiblePanel(), 0);
    EXPECT_EQ(w.anyDataControl("Ad8").recordset(), nullptr);
    EXPECT_EQ(w.grid("DataGrid5")->columnCount(), 0);
}

} // namespace
