// The student panel on the real main window and the advanced student window,
// driven as a user would, with the dialog double answering the messages.
#include "grades/app/main_window.h"
#include "grades/entry/Form12.h"
#include "grades/entry/StudentPanel.h"
#include "grades/entry/core/student_roster.h"
#include "grades/frame/Form2.h"
#include "platform/dbui/datacontrolbar.h"

#include "common/program_state.h"
#include "common/settings_files.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "support/dialog_double.h"
#include "support/other_program.h"
#include "support/school_fixture.h"
#include "support/typing.h"
#include "support/test_files.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using platform::MsgResult;

namespace {

const QString kOnlyChinese = QStringLiteral("学生的名字只能使用汉字!");

struct WindowsTest : ::testing::Test {
    SchoolFixture school{{"语文", "数学"}, {"2004", "2005"}, {"2004级02班", "2004级01班", "2005级01班"}};
    std::unique_ptr<Form2> window = makeMainWindow();
    Form2& w = *window;
    // The window's own panel: a second one on the same controls would answer every click twice.
    StudentPanel& panel = dynamic_cast<StudentPanel&>(*w.panel(1));

    WindowsTest() { w.ConnectDataControls(); }

    template <class T> T* at(const char* name) { return w.control<T>(QString::fromUtf8(name)); }
    QLineEdit* Te11() { return at<QLineEdit>("Te11"); }
    QLineEdit* tx12() { return at<QLineEdit>("tx12"); }
    QString label(const char* name) { return at<QLabel>(name)->text(); }

    void open() {
        ASSERT_TRUE(panel.mayOpen());
        w.ShowPanel(1);
        panel.load();
    }
    void chooseClass(const QString& label) {
        auto* combo = at<QComboBox>("Combo1");
        combo->setCurrentIndex(combo->findText(label));
        panel.Combo1_Click();
    }
    // Characters as the keyboard (or the input method) delivers them, one key press each.
    static void keys(QWidget* box, const QString& text) {
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, box, c.unicode() < 0x80 ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown,
                                QString(c), Qt::NoModifier);
    }
    void type(const QString& name) {
        Te11()->clear();
        keys(Te11(), name);
    }
    void enter() { QTest::keyClick(Te11(), Qt::Key_Return); }

    QStringList stored(const QString& grade = "2004", const QString& cls = "01") {
        QStringList out;
        for (const auto& row : school.db()->query(
                 "select 学号, 姓名, STID from 成绩表 where 年级 = ? and 班 = ? order by 学号", {grade, cls}))
            out << row.value(0).toString() + " " + row.value(1).toString() + " " + row.value(2).toString();
        return out;
    }
    void seed(const QString& cls, const QStringList& names, const QString& grade = "2004") {
        int serial = entry::largestSerial(*school.db(), grade);
        int number = 0;
        for (const QString& n : names) {
            ++number;
            school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号", "考号"},
                                   {entry::studentIdFor(grade, ++serial), grade, cls, n,
                                    entry::classNumberText(number, 2), entry::classNumberText(number, 2)});
        }
    }
};

// ------------------------------------------------------------ student panel

TEST_F(WindowsTest, PrintedCardsAskBeforeThePanelOpens) {
    EXPECT_TRUE(panel.mayOpen());   // "否": nothing asked
    w.setSettingsValue(8, "是");
    const QString ask = "考号已经打印,请不要再对学生情况作修改,否则可能会给你输入成绩时带来一些麻烦.你确实要修改学生情况吗?";
    DialogDouble dialogs;
    dialogs.answerMessage(MsgResult::No, ask).answerMessage(MsgResult::Yes, ask);
    EXPECT_FALSE(panel.mayOpen());
    EXPECT_TRUE(panel.mayOpen());
    EXPECT_EQ(dialogs.lastTitle(), "提示");
}

TEST_F(WindowsTest, OpeningChoosesTheFirstClassInTextOrder) {
    seed("01", {"甲", "乙"});
    open();
    auto* combo = at<QComboBox>("Combo1");
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(0), "2004级01班");
    EXPECT_EQ(combo->currentText(), "2004级01班");
    EXPECT_EQ(w.CurrentGradeId, "2004");
    EXPECT_EQ(w.CurrentClassId, "01");
    EXPECT_EQ(tx12()->text(), "03");
    EXPECT_TRUE(Te11()->isEnabled());
    EXPECT_EQ(w.anyDataControl("Ad1").recordset()->recordCount(), 2);
}

TEST_F(WindowsTest, EnterAddsTheTypedNameAndTheDisplayFollows) {
    open();
    EXPECT_EQ(tx12()->text(), "01");
    type("张三");
    enter();
    Te11()->setText(" 李 四 ");   // blanks come only by pasting; Enter takes them out
    enter();
    EXPECT_EQ(stored(), (QStringList{"01 张三 20040001", "02 李四 20040002"}));
    EXPECT_EQ(tx12()->text(), "03");
    EXPECT_EQ(label("la15"), "2");
    EXPECT_EQ(w.anyDataControl("Ad1").caption(), "02  李四");
    EXPECT_EQ(Te11()->text(), "李四");
    EXPECT_EQ(Te11()->selectedText(), "李四");
    EXPECT_EQ(state().StudentCount, 2);

    // The labels name the student the cursor last left.
    w.anyDataControl("Ad1").recordset()->moveFirst();
    EXPECT_EQ(label("la10"), "李四");
    EXPECT_EQ(label("la18"), "02");
}

TEST_F(WindowsTest, EnterCutsAFourCharacterNameFirst) {
    open();
    type("欧阳小明");
    enter();
    EXPECT_EQ(Te11()->text(), "欧阳小");
    EXPECT_TRUE(stored().isEmpty());
    enter();
    EXPECT_EQ(stored(), QStringList{"01 欧阳小 20040001"});
}

TEST_F(WindowsTest, OnlyChineseCharactersAreTyped) {
    open();
    type("张");
    DialogDouble dialogs;
    dialogs.answerMessage(MsgResult::Ok, kOnlyChinese).answerMessage(MsgResult::Ok, kOnlyChinese)
        .answerMessage(MsgResult::Ok, kOnlyChinese);
    keys(Te11(), "a1");
    QTest::keyClick(Te11(), Qt::Key_Space);
    EXPECT_EQ(Te11()->text(), "张");
    EXPECT_EQ(dialogs.lastTitle(), "提示");
    QTest::keyClick(Te11(), Qt::Key_Backspace);
    EXPECT_EQ(Te11()->text(), "");
}

TEST_F(WindowsTest, ButtonsRefuseALongNameAndATakenNumberWithAMessage) {
    seed("01", {"甲", "乙", "丙"});
    open();
    DialogDouble dialogs;
    dialogs.answerMessage(MsgResult::Ok, "学生的名字最多只能有3个字!")
        .answerMessage(MsgResult::Ok, "这个班已经有学号为02的同学了,请换一个学号!")
        .answerMessage(MsgResult::Ok, "新同学的学号只能是1到3位数字!");
    Te11()->setText("欧阳小明");
    QTest::mouseClick(at<QPushButton>("Com10"), Qt::LeftButton);   // one message per click
    Te11()->setText("丁");
    tx12()->setText("02");
    QTest::mouseClick(at<QPushButton>("Com10"), Qt::LeftButton);   // one message per click
    tx12()->setText("xxx");   // every number of the class taken
    QTest::mouseClick(at<QPushButton>("Com10"), Qt::LeftButton);   // one message per click
    EXPECT_EQ(stored().size(), 3);
    EXPECT_EQ(at<QPushButton>("Comm11")->toolTip(), "删除当前同学");
}

TEST_F(WindowsTest, InsertRenameAndDeleteThroughTheButtons) {
    seed("01", {"甲", "乙", "丙"});
    open();
    auto* rs = w.anyDataControl("Ad1").recordset();
    ASSERT_TRUE(rs->findValue("学号", "02", 0, true));
    Te11()->setText("丁");
    panel.Com12_Click();
    EXPECT_EQ(stored(), (QStringList{"01 甲 20040001", "02 丁 20040004", "03 乙 20040002", "04 丙 20040003"}));
    EXPECT_EQ(tx12()->text(), "05");

    ASSERT_TRUE(rs->findValue("学号", "03", 0, true));
    Te11()->setText("戊");
    panel.Com13_Click();
    at<QCheckBox>("Che11")->setChecked(false);
    ASSERT_TRUE(rs->findValue("学号", "01", 0, true));
    panel.Comm11_Click();
    EXPECT_EQ(stored(), (QStringList{"01 丁 20040004", "02 戊 20040002", "03 丙 20040003"}));
    EXPECT_EQ(tx12()->text(), "04");
    EXPECT_EQ(state().StudentCount, 0);   // one in, one out
}

TEST_F(WindowsTest, DeleteKeepsTheNumbersWhileTheBoxIsTicked) {
    seed("01", {"甲", "乙", "丙"});
    open();
    EXPECT_TRUE(at<QCheckBox>("Che11")->isChecked());
    ASSERT_TRUE(w.anyDataControl("Ad1").recordset()->findValue("学号", "02", 0, true));
    panel.Comm11_Click();
    EXPECT_EQ(stored(), (QStringList{"01 甲 20040001", "03 丙 20040003"}));
    EXPECT_EQ(tx12()->text(), "02");
}

TEST_F(WindowsTest, AFailedRenumberingLeavesNoHalfOfItToBeStoredLater) {
    seed("01", {"甲", "乙", "丙", "丁"});
    school.db()->execute("create trigger refuse before update of 学号 on 成绩表 when new.学号 = '02' "
                         "begin select raise(abort, '不能修改'); end");
    open();
    at<QCheckBox>("Che11")->setChecked(false);
    ASSERT_TRUE(w.anyDataControl("Ad1").recordset()->findValue("学号", "01", 0, true));
    DialogDouble dialogs;
    dialogs.answerMessage();
    panel.Comm11_Click();
    EXPECT_EQ(dialogs.messages().size(), 1);
    school.db()->execute("drop trigger refuse");
    panel.finish();   // would store an edit the failure left pending
    EXPECT_EQ(stored(), (QStringList{"01 甲 20040001", "02 乙 20040002", "03 丙 20040003", "04 丁 20040004"}));
}

TEST_F(WindowsTest, AnAddRefusedByABusyFileKeepsTheTypingForTheNextTry) {
    seed("01", {"甲", "乙"});
    open();
    testsupport::OtherProgram::waitAtMost(*school.db(), 50);
    Te11()->setText("丁");
    tx12()->setText("07");
    {
        testsupport::OtherProgram other(school.databasePath());
        other.run("BEGIN IMMEDIATE");
        DialogDouble dialogs;
        dialogs.answerMessage(MsgResult::Ok, "数据库正被别的程序使用,请稍后再试.");
        QTest::mouseClick(at<QPushButton>("Com10"), Qt::LeftButton);
        EXPECT_EQ(Te11()->text(), "丁");
        EXPECT_EQ(tx12()->text(), "07");
        other.run("ROLLBACK");
    }
    EXPECT_EQ(stored(), (QStringList{"01 甲 20040001", "02 乙 20040002"}));
    QTest::mouseClick(at<QPushButton>("Com10"), Qt::LeftButton);
    EXPECT_EQ(stored(), (QStringList{"01 甲 20040001", "02 乙 20040002", "07 丁 20040003"}));
}

// Another program holds the file while a button works on the class's third
// student: the message, that student still current and the list shown, and
// the next try changes that student only.
struct BusyChange {
    const char* button;
    bool keepNumbers;
    QStringList after;   // 学号 姓名 STID once the second try went through
};

struct BusyChangeTest : WindowsTest, ::testing::WithParamInterface<BusyChange> {};

TEST_P(BusyChangeTest, ARefusedChangeStaysOnTheChosenStudentForTheNextTry) {
    seed("01", {"甲", "乙", "丙", "丁"});
    open();
    const QStringList before = stored();
    testsupport::OtherProgram::waitAtMost(*school.db(), 50);
    auto current = [&] { return w.anyDataControl("Ad1").recordset()->value("STID").toString(); };
    ASSERT_TRUE(w.anyDataControl("Ad1").recordset()->findValue("学号", "03", 0, true));
    at<QCheckBox>("Che11")->setChecked(GetParam().keepNumbers);
    Te11()->setText("戊");
    tx12()->setText("05");
    auto* button = at<QPushButton>(GetParam().button);
    {
        testsupport::OtherProgram other(school.databasePath());
        other.run("BEGIN IMMEDIATE");
        DialogDouble dialogs;
        dialogs.answerMessage(MsgResult::Ok, "数据库正被别的程序使用,请稍后再试.");
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(current(), "20040003");
        EXPECT_FALSE(at<QWidget>("DataGrid1")->isHidden());
        EXPECT_EQ(Te11()->text(), "戊");
        EXPECT_EQ(tx12()->text(), "05");
        other.run("ROLLBACK");
    }
    EXPECT_EQ(stored(), before);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(stored(), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, BusyChangeTest,
    ::testing::Values(
        BusyChange{"Com13", true, {"01 甲 20040001", "02 乙 20040002", "03 戊 20040003", "04 丁 20040004"}},
        BusyChange{"Comm11", true, {"01 甲 20040001", "02 乙 20040002", "04 丁 20040004"}},
        BusyChange{"Comm11", false, {"01 甲 20040001", "02 乙 20040002", "03 丁 20040004"}},
        BusyChange{"Com12", true,
                   {"01 甲 20040001", "02 乙 20040002", "03 戊 20040005", "04 丙 20040003", "05 丁 20040004"}},
        BusyChange{"Com10", true,
                   {"01 甲 20040001", "02 乙 20040002", "03 丙 20040003", "04 丁 20040004", "05 戊 20040005"}}),
    [](const auto& info) {
        return std::string(info.param.button) + (info.param.keepNumbers ? "" : "Renumbering");
    });

TEST_F(WindowsTest, FinishingStoresTheStudentCount) {
    open();
    for (const char* n : {"甲", "乙", "丙"}) {
        type(QString::fromUtf8(n));
        enter();
    }
    panel.finish();
    const auto settings = ReadSchoolSettings(state().DatabaseFolder);
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->studentCount, 3);
    EXPECT_FALSE(at<QWidget>("Comm11")->isEnabled());
    EXPECT_FALSE(Te11()->isEnabled());
    EXPECT_EQ(w.anyDataControl("Ad1").recordset(), nullptr);
    EXPECT_EQ(label("la15"), "");
}

TEST_F(WindowsTest, MainWindowsFinishingWorkAndReopening) {
    w.Comout_Click(0);
    open();
    type("甲");
    enter();
    w.Comout_Click(0);
    EXPECT_EQ(w.visiblePanel(), 0);
    EXPECT_EQ(ReadSchoolSettings(state().DatabaseFolder)->studentCount, 1);
    EXPECT_FALSE(Te11()->isEnabled());
    open();
    EXPECT_EQ(w.visiblePanel(), 1);
    EXPECT_TRUE(Te11()->isEnabled());
    EXPECT_EQ(tx12()->text(), "02");
    type("乙");
    enter();
    EXPECT_EQ(stored(), (QStringList{"01 甲 20040001", "02 乙 20040002"}));
}

TEST_F(WindowsTest, FiftyStudentsInTwoClassesGetTheirIdsAndNumbers) {
    open();
    for (int i = 0; i < 25; ++i) {
        type(QString(QChar(0x4E00 + i)));
        enter();
    }
    chooseClass("2004级02班");
    for (int i = 25; i < 50; ++i) {
        type(QString(QChar(0x4E00 + i)));
        enter();
    }
    const QStringList one = stored("2004", "01"), two = stored("2004", "02");
    ASSERT_EQ(one.size(), 25);
    ASSERT_EQ(two.size(), 25);
    EXPECT_EQ(one.last(), "25 " + QString(QChar(0x4E00 + 24)) + " 20040025");
    EXPECT_EQ(two.first(), "01 " + QString(QChar(0x4E00 + 25)) + " 20040026");
    EXPECT_EQ(two.last(), "25 " + QString(QChar(0x4E00 + 49)) + " 20040050");
    EXPECT_EQ(state().StudentCount, 50);
}

// ------------------------------------------------------------ Form12

struct Form12Test : WindowsTest {
    Form12* f = nullptr;
    void show() { f = Form12::showFor(&w); }
    QStringList shown() {
        QStringList out;
        auto* rs = f->Adodc1->recordset();
        for (int i = 0; i < rs->recordCount(); ++i)
            out << rs->valueAt(i, rs->fieldIndex("姓名")).toString();
        return out;
    }
};

TEST_F(Form12Test, OpensOnTheFirstClassOrOnTheStudentPanelsClass) {
    seed("01", {"甲", "乙"});
    show();
    EXPECT_EQ(f->windowTitle(), "高级学生管理");
    EXPECT_EQ(f->Combo1->currentText(), "2004级01班");
    EXPECT_EQ(f->Text3->text(),
              "select 学号,姓名,总分,年级,班,STID,考号 from 成绩表 where 年级='2004' and 班='01' order by 总分 desc");
    EXPECT_EQ(shown().size(), 2);
    EXPECT_EQ(f->adodc1Bar()->caption(), "1/2");
    EXPECT_EQ(f->Text1->text(), "甲");
    EXPECT_EQ(f->Combo2->count(), 2);
    EXPECT_EQ(f->Combo2->currentText(), "01");
    EXPECT_EQ(Form12::showFor(&w), f);   // an open window is only brought forward
    f->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    open();
    chooseClass("2004级02班");
    show();
    EXPECT_EQ(f->Combo1->currentText(), "2004级02班");
}

TEST_F(Form12Test, AddsByNameWithTheNextSerialAndNoNumber) {
    seed("01", {"甲"});
    seed("02", {"乙"});
    show();
    f->Text1->setText(" 丙 ");
    f->Command3_Click();
    EXPECT_EQ(stored(), (QStringList{"00 丙 20040003", "01 甲 20040001"}));
    EXPECT_EQ(shown().last(), "丙");
    EXPECT_EQ(f->adodc1Bar()->caption(), "2/2");   // the new row is current
    EXPECT_EQ(state().StudentCount, 0);
    // The student panel adds meanwhile; the window does not hand its serial out again.
    open();
    type("丁");
    enter();
    f->Text1->setText("戊");
    f->Command3_Click();
    EXPECT_EQ(stored().last(), "02 丁 20040004");
    EXPECT_TRUE(stored().contains("00 戊 20040005"));
    // A namesake is shown, not added; a name with a quote breaks nothing.
    f->Text1->setText("甲");
    f->Command3_Click();
    EXPECT_EQ(f->Adodc1->recordset()->value("姓名").toString(), "甲");
    f->Text1->setText("O'N");
    f->Command3_Click();
    EXPECT_EQ(stored().size(), 5);
}

TEST_F(Form12Test, RefusesALongName) {
    show();
    DialogDouble dialogs;
    dialogs.answerMessage(MsgResult::Ok, "学生的名字最多只能有3个字!");
    f->Text1->setText("欧阳小明");
    f->Command3_Click();
    EXPECT_TRUE(stored().isEmpty());
}

TEST_F(Form12Test, MovesTheCurrentStudentToAnotherClassOfTheGrade) {
    seed("01", {"甲", "乙"});
    show();
    ASSERT_TRUE(f->Adodc1->recordset()->findValue("姓名", "乙", 0, true));
    f->Combo2->setEditText("02");
    f->Command5_Click();
    EXPECT_EQ(stored("2004", "02"), QStringList{"02 乙 20040002"});
    EXPECT_EQ(shown(), QStringList{"甲"});

    DialogDouble dialogs;
    dialogs.answerMessage(MsgResult::Ok, "本年级没有09班,请在列表中选择一个班。");
    f->Combo2->setEditText("09");
    f->Command5_Click();
    EXPECT_EQ(stored(), QStringList{"01 甲 20040001"});
}

// The class box takes what is typed: "0" is no class even though 01 and 02 start with it.
TEST_F(Form12Test, TheClassBoxMovesToTheClassTypedOnly) {
    seed("01", {"甲", "乙"});
    show();
    f->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));
    ASSERT_TRUE(f->Adodc1->recordset()->findValue("姓名", "乙", 0, true));
    {
        DialogDouble dialogs;
        dialogs.answerMessage(MsgResult::Ok, "本年级没有0班,请在列表中选择一个班。");
        f->Combo2->setEditText({});
        f->Combo2->setFocus();
        typeText(f->Combo2, "0");
        f->Command5->click();
    }
    EXPECT_EQ(stored(), (QStringList{"01 甲 20040001", "02 乙 20040002"}));
    f->Combo2->setEditText({});
    typeText(f->Combo2, "02");
    f->Command5->click();
    EXPECT_EQ(stored("2004", "02"), QStringList{"02 乙 20040002"});
}

TEST_F(Form12Test, AMoveTheDatabaseRefusedIsNotStoredLater) {
    seed("01", {"甲", "乙"});
    school.db()->execute("create trigger refuse before update of 班 on 成绩表 "
                         "begin select raise(abort, '不能修改'); end");
    show();
    ASSERT_TRUE(f->Adodc1->recordset()->findValue("姓名", "乙", 0, true));
    DialogDouble dialogs;
    dialogs.answerMessage();
    f->Combo2->setEditText("02");
    f->Command5_Click();
    EXPECT_EQ(dialogs.messages().size(), 1);
    school.db()->execute("drop trigger refuse");
    f->Command7_Click();
    EXPECT_EQ(stored(), (QStringList{"01 甲 20040001", "02 乙 20040002"}));
}

// Another program holds the file: the name and the class typed stay, the
// student chosen stays current, and the next try stores them.
TEST_F(Form12Test, AnAddOrAMoveRefusedByABusyFileKeepsWhatWasTyped) {
    seed("01", {"甲", "乙"});
    show();
    testsupport::OtherProgram::waitAtMost(*school.db(), 50);
    testsupport::OtherProgram other(school.databasePath());
    DialogDouble dialogs;

    ASSERT_TRUE(f->Adodc1->recordset()->findValue("姓名", "乙", 0, true));
    other.run("BEGIN IMMEDIATE");
    dialogs.answerMessage();
    f->Text1->setText("丙");
    f->Command3_Click();
    EXPECT_EQ(f->Text1->text(), "丙");
    EXPECT_EQ(f->Adodc1->recordset()->value("STID").toString(), "20040002");
    other.run("ROLLBACK");
    f->Command3_Click();
    EXPECT_EQ(stored(), (QStringList{"00 丙 20040003", "01 甲 20040001", "02 乙 20040002"}));

    ASSERT_TRUE(f->Adodc1->recordset()->findValue("姓名", "乙", 0, true));
    other.run("BEGIN IMMEDIATE");
    dialogs.answerMessage();
    f->Combo2->setEditText("02");
    f->Command5_Click();
    EXPECT_EQ(f->Combo2->currentText(), "02");
    EXPECT_EQ(f->Adodc1->recordset()->value("姓名").toString(), "乙");
    other.run("ROLLBACK");
    f->Command5_Click();
    EXPECT_EQ(stored("2004", "02"), QStringList{"02 乙 20040002"});
    ASSERT_EQ(dialogs.messages().size(), 2);
    for (const QString& said : dialogs.messages())
        EXPECT_TRUE(said.contains("数据库正被别的程序使用,请稍后再试.")) << said.toStdString();
}

TEST_F(Form12Test, FindsStudentsOfTheGradeAndMovesThemIn) {
    seed("01", {"甲"});
    seed("02", {"王", "乙"});
    seed("01", {"王"}, "2005");
    // A second 王 in class 01 of 2004 with the same look but another id.
    school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号", "总分"},
                           {"20040009", "2004", "01", "王", "09", 512.5});
    show();
    f->Text2->setText("王");
    QTest::keyClick(f->Text2, Qt::Key_Return);
    ASSERT_EQ(f->List1->count(), 2);   // not the 2005 one
    EXPECT_EQ(f->List1->item(0)->text(), "2004.02 王  总分：");
    EXPECT_EQ(f->List1->item(1)->text(), "2004.01 王  总分：512.5");
    EXPECT_EQ(f->List1->currentRow(), 0);

    // Already in this class: the line goes, nothing changes.
    f->List1->setCurrentRow(1);
    f->Command1_Click();
    ASSERT_EQ(f->List1->count(), 1);
    // The line left still moves the student it shows.
    f->List1->setCurrentRow(0);
    f->Command1_Click();
    EXPECT_EQ(f->List1->count(), 0);
    EXPECT_EQ(stored("2004", "02"), QStringList{"02 乙 20040003"});
    EXPECT_EQ(stored().size(), 3);
    EXPECT_TRUE(shown().contains("王"));
    EXPECT_EQ(stored("2005", "01").size(), 1);
    f->Command1_Click();   // no line: nothing
}

TEST_F(Form12Test, RefusesWhatWouldGoWrongInAnotherGrade) {
    seed("02", {"王"});
    school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号"}, {"20059999", "2005", "01", "李", "01"});
    show();
    f->Text2->setText("王");
    f->Command2_Click();
    ASSERT_EQ(f->List1->count(), 1);
    // The found 2004 student cannot become a member of 2005's class 01.
    f->Combo1->setCurrentIndex(f->Combo1->findText("2005级01班"));
    f->Combo1_Click();
    DialogDouble dialogs;
    dialogs.answerMessage(MsgResult::Ok, "这个学生不是2005级的学生,不能转入本班。")
        .answerMessage(MsgResult::Ok, "2005级的学生编号(STID)已经用完,不能再增加学生!");
    f->Command1_Click();
    EXPECT_EQ(stored("2004", "02").size(), 1);
    EXPECT_EQ(f->List1->count(), 1);
    f->Text1->setText("赵");
    f->Command3_Click();
    EXPECT_EQ(stored("2005", "01").size(), 1);
}

TEST_F(Form12Test, SearchWithAQuoteFindsItsRow) {
    seed("02", {"O'N"});
    show();
    f->Text2->setText("O'N");
    f->Command2_Click();
    ASSERT_EQ(f->List1->count(), 1);
    f->Command1_Click();
    EXPECT_EQ(stored().size(), 1);
}

TEST_F(Form12Test, OnlyOneSelectRuns) {
    seed("01", {"甲", "乙"});
    show();
    DialogDouble dialogs;
    const QString refusal = "SQL语句只能是一条查询(select)语句,不能修改数据!";
    dialogs.answerMessage(MsgResult::Ok, refusal).answerMessage(MsgResult::Ok, refusal);
    f->Text3->setText("delete from 成绩表");
    f->Command7_Click();
    f->Text3->setText("select * from 成绩表; delete from 成绩表");
    f->Command7_Click();
    EXPECT_EQ(stored().size(), 2);
    EXPECT_EQ(shown().size(), 2);   // the list shown before stays
    // A text that fails keeps the last list that ran, not an empty grid.
    dialogs.answerMessage(MsgResult::Ok);
    f->Text3->setText("select * from 无此表");
    f->Command7_Click();
    EXPECT_EQ(shown(), (QStringList{"甲", "乙"}));

    f->Text3->setText("select 学号,姓名,年级,班,STID,考号 from 成绩表 where 年级='2004' order by 学号 desc");
    f->Command7_Click();
    EXPECT_EQ(shown(), (QStringList{"乙", "甲"}));
    f->Combo1_Click();
    EXPECT_EQ(f->Text3->text(), entry::StudentManager::defaultSql("2004", "01"));
}

TEST_F(Form12Test, ATextThatWouldRunAwayIsStoppedWithAMessage) {
    QStringList names;
    for (int i = 0; i < 40; ++i)
        names << QString(QChar(0x4E00 + i));
    seed("01", names);
    show();
    const struct {
        const char* label;
        QString sql;
        QString said;
    } cases[] = {
        {"nested brackets", "select " + QString(40000, u'(') + "1" + QString(40000, u')') + " from 成绩表", "嵌套太深"},
        {"endless recursion", "with recursive c(x) as (select 1 union all select x + 1 from c) select count(*) from c",
         "工作量太大"},
        {"endless rows", "with recursive c(x) as (select 1 union all select x + 1 from c) select x from c", "太大"},
        // The row bound or the time bound, whichever comes first.
        {"cross join", "select * from 成绩表 a, 成绩表 b, 成绩表 c, 成绩表 d", "太大"},
        {"a value of a gigabyte", "select randomblob(1000000000), * from 成绩表", "工作量太大"},
        {"a sort the steps do not see",
         "select max(r) from (select row_number() over (order by a.姓名, b.姓名 desc, c.姓名, d.姓名 desc) as r"
         " from 成绩表 a, 成绩表 b, 成绩表 c, 成绩表 d)",
         "工作量太大"},
        {"a Like that backtracks",
         "SELECT printf('%.*c', 1000000, 'a') LIKE ('*' || printf('%.*c', 20000, 'a') || 'b')", "工作量太大"},
        {"two statements", "select * from 成绩表; select * from 班级表", "只能是一条查询"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        DialogDouble dialogs;
        dialogs.answerMessage(MsgResult::Ok);
        f->Text3->setText(c.sql);
        f->Command7_Click();
        ASSERT_EQ(dialogs.messages().size(), 1);
        EXPECT_TRUE(dialogs.messages().front().contains(c.said)) << dialogs.messages().front().toStdString();
        EXPECT_EQ(shown().size(), 40);     // the list shown before stays
    }
}

TEST_F(Form12Test, ListWithoutTheFieldsAddsNothing) {
    show();
    f->Text3->setText("select 姓名 from 成绩表");
    f->Command7_Click();
    DialogDouble dialogs;
    dialogs.answerMessage(MsgResult::Ok);
    f->Text1->setText("丙");
    f->Command3_Click();
    EXPECT_TRUE(stored().isEmpty());
}

} // namespace
