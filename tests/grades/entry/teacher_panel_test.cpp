// The teacher panel on the real main window: teachers, their assignments and
// the check for subjects without a teacher, driven through the panel's own
// controls with the dialog double answering the messages.
#include "grades/app/main_window.h"
#include "grades/entry/TeacherPanel.h"
#include "grades/entry/core/teaching.h"
#include "grades/frame/Form2.h"

#include "common/program_state.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/dbui/datagrid.h"
#include "support/dialog_double.h"
#include "support/other_program.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

using platform::MsgResult;
using platform::db::Database;

namespace {

const QString kChooseClass = "请在下边列表框中选择正确的班和年级";
const QString kCellTaken = "这个班的这一节课已经安排了老师上了!";
const QString kSlotsFull = "一个教师不能同时在20个班上课!";
const QString kAllAssigned = "检查完成!所有班的所有科目都安排了老师上课!";

// Grade 2004 with two classes, 2005 with one that does not take 英语.
struct Teachers {
    SchoolFixture school{{"语文", "数学", "英语"}, {"2004", "2005"},
                         {"2004级02班", "2004级01班", "2005级01班"}};
    std::unique_ptr<Form2> window;
    Teachers() {
        db().execute("update 年级表 set 英语=0 where 年级='2005'");
        window = makeMainWindow();
        window->ConnectDataControls();
    }
    Form2& w() { return *window; }
    TeacherPanel& panel() { return dynamic_cast<TeacherPanel&>(*w().panel(2)); }
    Database& db() { return *school.db(); }

    template <class T> T* at(const char* name) { return w().control<T>(QString::fromUtf8(name)); }
    QComboBox* combo(const char* name) { return at<QComboBox>(name); }
    QListWidget* list() { return at<QListWidget>("List1"); }
    QLineEdit* Te21() { return at<QLineEdit>("Te21"); }
    QString gap() { return at<QLabel>("Latea")->text(); }
    void click(const char* name) { at<QPushButton>(name)->click(); }
    platform::db::Recordset& teachers() { return *w().anyDataControl("Ad2").recordset(); }

    void open() { w().Command2_Click(); }
    void addTeachers(const QStringList& names) {
        for (const QString& n : names)
            db().insertRow("教师表", {"姓名"}, {n});
    }
    void choose(const QString& cls, const QString& subject) {
        combo("Combo2")->setEditText(cls);
        combo("Combo3")->setEditText(subject);
    }
    void current(const QString& name) { ASSERT_TRUE(teachers().findValue("姓名", name, 0, true)); }
    void assign(const QString& cls, const QString& subject) {
        choose(cls, subject);
        click("Com26");
    }
    QString boxes() { return combo("Combo2")->currentText() + "|" + combo("Combo3")->currentText(); }
    QStringList entries() {
        QStringList out;
        for (int i = 0; i < list()->count(); ++i)
            out << list()->item(i)->text();
        return out;
    }
    QString slot(const QString& name, int n) {
        const auto rows = db().query(QStringLiteral("select %1, %2 from 教师表 where 姓名=?")
                                         .arg(entry::slotClassField(n), entry::slotSubjectField(n)), {name});
        return rows.at(0).at(0).isNull() ? QString()
                                         : rows.at(0).at(0).toString() + " " + rows.at(0).at(1).toString();
    }
    QVariant cell(const QString& grade, const QString& cls, const QString& subject) {
        return db().scalar(QStringLiteral("select %1 from 班级表 where 年级=? and 班=?").arg(subject), {grade, cls});
    }
    // Every row of the two tables the panel writes, as text.
    QStringList snapshot() {
        QStringList out;
        for (const char* table : {"教师表", "班级表"})
            for (const auto& row : db().query(QStringLiteral("select * from %1").arg(QString::fromUtf8(table)))) {
                QStringList cells;
                for (const QVariant& v : row)
                    cells << (v.isNull() ? "-" : v.toString());
                out << cells.join(',');
            }
        return out;
    }
    void fillSlots(const QString& name, int count) {
        for (int n = 1; n <= count; ++n)
            db().execute(QStringLiteral("update 教师表 set %1='2003级01班', %2=? where 姓名=?")
                             .arg(entry::slotClassField(n), entry::slotSubjectField(n)),
                         {QString::number(n), name});
    }
    bool checking() { return panel().checking(); }
};

struct TeacherPanelTest : ::testing::Test, Teachers {};

// ------------------------------------------------------------ opening

TEST_F(TeacherPanelTest, OpeningShowsClassesSubjectsAndTheFirstTeacher) {
    addTeachers({"甲", "乙"});
    db().execute("update 教师表 set 任课班级1='2005级01班', 科目1='语文', 任课班级2='2004级02班', 科目2='数学' "
                 "where 姓名='甲'");
    w().Menuteacher_Click();
    EXPECT_EQ(w().visiblePanel(), 2);
    auto* classes = combo("Combo2");
    ASSERT_EQ(classes->count(), 3);
    EXPECT_EQ(classes->itemText(0), "2004级01班");
    EXPECT_EQ(classes->itemText(2), "2005级01班");
    EXPECT_EQ(combo("Combo3")->itemText(0), "语文");
    EXPECT_EQ(combo("Combo3")->count(), 3);
    for (const char* name : {"Combo2", "Combo3", "Combo4"})
        EXPECT_TRUE(combo(name)->isEditable()) << name;
    EXPECT_EQ(teachers().fieldCount(), 41);
    EXPECT_EQ(w().anyDataControl("Ad2").caption(), " 1/ 2");
    EXPECT_EQ(Te21()->text(), "甲");
    EXPECT_EQ(entries(), (QStringList{"2004级02班 数学", "2005级01班 语文"}));
    EXPECT_EQ(boxes(), "2004级02班|数学");
    EXPECT_EQ(Te21()->maxLength(), 4);
    EXPECT_FALSE(w().grid("DataGrid2")->allowUpdate());
    EXPECT_EQ(at<QLabel>("Latea2")->text(), "   系统发现下的的班的课程尚未安排教师,请选择一位教师,然后单击确定。");

    teachers().moveNext();
    EXPECT_EQ(w().anyDataControl("Ad2").caption(), " 2/ 2");
    EXPECT_EQ(Te21()->text(), "乙");
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_EQ(boxes(), "|");
}

// ------------------------------------------------------------ refusals

TEST(TeacherPanelRefusals, EachIsToldAndLeavesTheDatabaseAlone) {
    struct Case {
        const char* what;
        std::function<void(Teachers&)> setUp;   // after the panel opened, 甲 current
        const char* button;
        QString text, title;
    };
    const Case cases[] = {
        {"empty name", [](auto& t) { t.Te21()->setText("  "); }, "Com21",
         "请在左边的空格中输入新教师的姓名.", "提示"},
        {"name of four", [](auto& t) { t.Te21()->setText("欧阳小明"); }, "Com21", "姓名只能由2-3个汉字构成.", "提示"},
        {"teacher still teaching", [](auto&) {}, "Com28", "只有将该老师上的所有课全部删除后,才能将该老师删除!", "提示"},
        {"no class", [](auto& t) { t.choose(" ", "语文"); }, "Com26", kChooseClass, "提示"},
        {"no subject", [](auto& t) { t.choose("2004级02班", ""); }, "Com26", kChooseClass, "提示"},
        {"class not listed", [](auto& t) { t.choose("2004级03班", "语文"); }, "Com26", kChooseClass, "提示"},
        {"label cut short", [](auto& t) { t.choose("2004级01", "语文"); }, "Com26", kChooseClass, "提示"},
        {"subject not listed", [](auto& t) { t.choose("2004级02班", "年级"); }, "Com26", kChooseClass, "提示"},
        {"grade without full marks",
         [](auto& t) {
             t.db().insertRow("班级表", {"年级", "班"}, {"2006", "01"});
             t.open();
             t.choose("2006级01班", "语文");
         },
         "Com26", kChooseClass, "提示"},
        {"full mark 0", [](auto& t) { t.choose("2005级01班", "英语"); }, "Com26",
         "2005级的英语的总分为零分, 这种情况下不能安排老师上课!", "提示"},
        {"full mark empty",
         [](auto& t) {
             t.db().execute("update 年级表 set 数学=null where 年级='2004'");
             t.choose("2004级01班", "数学");
         },
         "Com26", "2004级的数学的总分为零分, 这种情况下不能安排老师上课!", "提示"},
        {"cell taken by another", [](auto& t) { t.choose("2004级01班", "语文"); }, "Com26", kCellTaken, " 提示"},
        {"cell taken by himself", [](auto& t) { t.choose("2004级02班", "数学"); }, "Com26", kCellTaken, " 提示"},
        {"twenty slots",
         [](auto& t) {
             t.fillSlots("乙", 20);
             t.open();
             t.current("乙");
             t.choose("2004级02班", "语文");
         },
         "Com26", kSlotsFull, " 提示"},
        {"removing a pair not held", [](auto& t) { t.choose("2004级01班", "语文"); }, "Com27", "InPut Error!", " 提示"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Teachers t;
        t.addTeachers({"甲", "乙", "丙"});
        t.db().execute("update 教师表 set 任课班级1='2004级02班', 科目1='数学' where 姓名='甲'");
        t.db().execute("update 班级表 set 数学='甲' where 年级='2004' and 班='02'");
        t.db().execute("update 班级表 set 语文='丙' where 年级='2004' and 班='01'");
        t.open();
        c.setUp(t);
        const QStringList before = t.snapshot();
        const QStringList listBefore = t.entries();
        DialogDouble dialogs;
        dialogs.answerMessage(MsgResult::Ok, c.text);
        t.click(c.button);
        EXPECT_EQ(dialogs.lastTitle(), c.title);
        EXPECT_EQ(t.snapshot(), before);
        if (QString(c.button) == "Com26") {
            EXPECT_EQ(t.entries(), listBefore);
        }
        EXPECT_EQ(state().TeacherCount, 0.0f);
    }
}

TEST_F(TeacherPanelTest, RefusalsLeaveTheBoxesAsTheyWere) {
    addTeachers({"甲", "乙"});
    db().execute("update 班级表 set 语文='乙' where 年级='2004' and 班='01'");
    open();
    DialogDouble dialogs;
    dialogs.answerMessage(MsgResult::Ok, "姓名只能由2-3个汉字构成.").answerMessage(MsgResult::Ok, kCellTaken);
    Te21()->setText("欧阳小明");
    click("Com21");
    EXPECT_EQ(Te21()->text(), "欧阳小");
    EXPECT_EQ(Te21()->selectedText(), "欧阳小");
    assign("2004级01班", "语文");
    EXPECT_EQ(boxes(), "|");   // a taken cell empties both boxes

    // Nothing current: adding an assignment or deleting does nothing, and says nothing.
    db().execute("delete from 教师表");
    open();
    assign("2004级02班", "语文");
    click("Com28");
    click("Com27");
    EXPECT_EQ(db().scalar("select count(*) from 班级表 where 语文 is not null").toInt(), 1);
}

// ------------------------------------------------------------ teachers

TEST_F(TeacherPanelTest, EnterAddsATeacherAndANamesakeIsOnlyFound) {
    addTeachers({"甲"});
    open();
    for (const char* name : {"乙", "丙", "甲"}) {
        Te21()->clear();
        // One key press per character, as the input method delivers them.
        for (QChar c : QString::fromUtf8(name))
            QTest::sendKeyEvent(QTest::Click, Te21(), Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::keyClick(Te21(), Qt::Key_Return);
        EXPECT_EQ(Te21()->text(), QString::fromUtf8(name));   // the Enter is not typed
        EXPECT_EQ(Te21()->selectedText(), QString::fromUtf8(name));
    }
    EXPECT_EQ(w().anyDataControl("Ad2").caption(), " 1/ 3");
    EXPECT_EQ(state().TeacherCount, 2.0f);
    Te21()->setText("O'B");
    click("Com21");
    EXPECT_EQ(w().anyDataControl("Ad2").caption(), " 4/ 4");
    EXPECT_EQ(db().scalar("select count(*) from 教师表").toInt(), 4);
}

// Another program holds the file: the name typed stays, the teacher shown
// before stays current, and the next 添加 stores the name once.
TEST_F(TeacherPanelTest, AnAddRefusedByABusyFileKeepsTheNameAndTheTeacherShown) {
    addTeachers({"甲", "乙"});
    open();
    current("乙");
    testsupport::OtherProgram::waitAtMost(db(), 50);
    Te21()->setText("丙");
    {
        testsupport::OtherProgram other(school.databasePath());
        other.run("BEGIN IMMEDIATE");
        DialogDouble dialogs;
        dialogs.answerMessage(MsgResult::Ok, "数据库正被别的程序使用,请稍后再试.");
        click("Com21");
        EXPECT_EQ(Te21()->text(), "丙");
        EXPECT_EQ(teachers().value("姓名").toString(), "乙");
        EXPECT_EQ(w().anyDataControl("Ad2").caption(), " 2/ 2");
        other.run("ROLLBACK");
    }
    click("Com21");
    EXPECT_EQ(db().scalar("select count(*) from 教师表 where 姓名='丙'").toInt(), 1);
    EXPECT_EQ(teachers().value("姓名").toString(), "丙");
    EXPECT_EQ(state().TeacherCount, 1.0f);
}

TEST_F(TeacherPanelTest, DeleteWithoutAssignmentsMakesTheNextTeacherCurrent) {
    addTeachers({"甲", "乙", "丙"});
    open();
    current("乙");
    click("Com28");
    EXPECT_EQ(Te21()->text(), "丙");
    click("Com28");
    EXPECT_EQ(Te21()->text(), "甲");
    EXPECT_EQ(w().anyDataControl("Ad2").caption(), " 1/ 1");
    EXPECT_EQ(state().TeacherCount, -2.0f);   // counted from 0 by the fixture
    EXPECT_EQ(db().scalar("select 姓名 from 教师表").toString(), "甲");
}

// ------------------------------------------------------------ assignments

TEST_F(TeacherPanelTest, SlotsAreReusedAndClosedUpOnFinishing) {
    addTeachers({"甲"});
    open();
    const QStringList pairs = {"2004级01班 语文", "2004级01班 数学", "2004级02班 语文", "2004级02班 数学",
                               "2004级01班 英语"};
    for (const QString& p : pairs)
        assign(entry::classOfEntry(p), entry::subjectOfEntry(p));
    EXPECT_EQ(slot("甲", 5), "2004级01班 英语");
    EXPECT_EQ(boxes(), "2004级01班|英语");   // the boxes keep what was added
    EXPECT_EQ(list()->currentRow(), -1);

    choose("2004级02班", "语文");
    click("Com27");
    EXPECT_EQ(slot("甲", 3), "");
    EXPECT_TRUE(cell("2004", "02", "语文").isNull());
    EXPECT_EQ(entries().size(), 4);
    EXPECT_EQ(boxes(), "2004级01班|数学");   // entry 0 loaded

    assign("2005级01班", "语文");
    EXPECT_EQ(slot("甲", 3), "2005级01班 语文");
    EXPECT_EQ(cell("2005", "01", "语文"), "甲");

    choose("2005级01班", "语文");
    click("Com27");
    click("Comout_1");
    EXPECT_EQ(w().visiblePanel(), 0);
    EXPECT_EQ(slot("甲", 3), "2004级01班 英语");
    EXPECT_EQ(slot("甲", 4), "2004级02班 数学");
    EXPECT_EQ(slot("甲", 5), "");
}

TEST_F(TeacherPanelTest, ListKeepsTextOrderAndTheStepButtonsFollowIt) {
    addTeachers({"甲"});
    open();
    for (const char* p : {"2005级01班 语文", "2004级01班 语文", "2004级01班 数学"})
        assign(entry::classOfEntry(p), entry::subjectOfEntry(p));
    EXPECT_EQ(entries(), (QStringList{"2004级01班 数学", "2004级01班 语文", "2005级01班 语文"}));
    // Nothing selected after adding: the step buttons do nothing.
    click("Com24");
    click("Com25");
    EXPECT_EQ(boxes(), "2004级01班|数学");
    EXPECT_EQ(list()->currentRow(), -1);

    list()->setCurrentRow(1);
    EXPECT_EQ(boxes(), "2004级01班|语文");
    click("Com25");
    EXPECT_EQ(boxes(), "2005级01班|语文");
    click("Com25");
    EXPECT_EQ(list()->currentRow(), 2);
    click("Com24");
    click("Com24");
    click("Com24");
    EXPECT_EQ(list()->currentRow(), 0);
    EXPECT_EQ(boxes(), "2004级01班|数学");
}

TEST_F(TeacherPanelTest, RemovalReloadsTheListAndSparesAnotherTeachersCell) {
    addTeachers({"甲", "乙"});
    // 甲's slot outlived its class, which was added again and given to 乙.
    db().execute("update 教师表 set 任课班级1='2004级01班', 科目1='语文', 任课班级2='2004级02班', 科目2='英语' "
                 "where 姓名='甲'");
    db().execute("update 教师表 set 任课班级1='2004级01班', 科目1='语文' where 姓名='乙'");
    db().execute("update 班级表 set 语文='乙' where 年级='2004' and 班='01'");
    db().execute("update 班级表 set 英语='甲' where 年级='2004' and 班='02'");
    open();
    DialogDouble dialogs;
    dialogs.answerMessage(MsgResult::Ok, "InPut Error!");
    choose("2005级01班", "数学");
    click("Com27");
    EXPECT_EQ(boxes(), "2004级01班|语文");   // entry 0 loaded again

    click("Com27");
    EXPECT_EQ(slot("甲", 1), "");
    EXPECT_EQ(cell("2004", "01", "语文"), "乙");
    EXPECT_EQ(boxes(), "2004级02班|英语");

    DialogDouble refused;
    refused.answerMessage(MsgResult::Ok, "只有将该老师上的所有课全部删除后,才能将该老师删除!");
    click("Com28");
    click("Com27");
    EXPECT_TRUE(cell("2004", "02", "英语").isNull());
    click("Com28");   // now allowed, without a question
    EXPECT_EQ(db().scalar("select count(*) from 教师表").toInt(), 1);
    EXPECT_EQ(Te21()->text(), "乙");
}

// ------------------------------------------------------------ the check

TEST_F(TeacherPanelTest, CheckShowsGapsClassByClassAndCountsWhatWasSkipped) {
    addTeachers({"甲", "乙"});
    db().execute("update 班级表 set 数学='乙' where 年级='2004' and 班='01'");
    open();
    click("Com23");
    EXPECT_TRUE(checking());
    EXPECT_TRUE(at<QGroupBox>("Frame3_0")->isHidden());
    EXPECT_FALSE(at<QGroupBox>("Frame2_0")->isEnabled());
    EXPECT_FALSE(w().grid("DataGrid2")->isEnabled());
    EXPECT_EQ(combo("Combo4")->count(), 2);
    EXPECT_EQ(combo("Combo4")->itemText(0), "甲");
    EXPECT_EQ(combo("Combo4")->currentText(), "");   // no teacher offered at the first gap
    EXPECT_EQ(teachers().absolutePosition(), 0);

    QStringList shown;
    DialogDouble dialogs;
    dialogs.answerMessage(MsgResult::Ok, "检查完成!还有7处班级科目没有安排老师上课!");
    while (checking()) {
        shown << gap();
        click("Comtea4");
    }
    EXPECT_EQ(shown, (QStringList{"2004级02班 语文", "2004级02班 数学", "2004级02班 英语", "2004级01班 语文",
                                  "2004级01班 英语", "2005级01班 语文", "2005级01班 数学"}));
    EXPECT_EQ(dialogs.lastTitle(), "检查完成");
    EXPECT_TRUE(at<QGroupBox>("Frame3_1")->isHidden());
    EXPECT_TRUE(at<QGroupBox>("Frame2_0")->isEnabled());
    EXPECT_EQ(Te21()->text(), "甲");   // the first teacher current again
    EXPECT_EQ(db().scalar("select count(*) from 教师表 where 任课班级1 is not null").toInt(), 0);
}

TEST_F(TeacherPanelTest, CheckEndsAtOnceWhenNothingIsMissing) {
    open();
    click("Com23");   // no teacher: nothing happens
    EXPECT_FALSE(checking());

    addTeachers({"甲"});
    db().execute("update 班级表 set 语文='甲', 数学='甲', 英语='甲'");
    open();
    {
        DialogDouble dialogs;
        dialogs.answerMessage(MsgResult::Ok, kAllAssigned);
        click("Com23");
        EXPECT_FALSE(checking());
    }
    db().execute("delete from 班级表");
    open();
    DialogDouble dialogs;
    dialogs.answerMessage(MsgResult::Ok, kAllAssigned);
    click("Com23");
    EXPECT_FALSE(checking());
}

TEST_F(TeacherPanelTest, AGapInTheLastCellEndsTheCheckAfterAssignOrSkip) {
    addTeachers({"甲", "乙"});
    db().execute("update 班级表 set 语文='乙', 数学='乙', 英语='乙' where 年级='2004'");
    db().execute("update 班级表 set 语文='乙' where 年级='2005'");
    open();
    {
        DialogDouble dialogs;
        dialogs.answerMessage(MsgResult::Ok, "检查完成!还有1处班级科目没有安排老师上课!");
        click("Com23");
        EXPECT_EQ(gap(), "2005级01班 数学");
        click("Comtea4");
        EXPECT_FALSE(checking());
    }
    DialogDouble dialogs;
    dialogs.answerMessage(MsgResult::Ok, kAllAssigned);
    click("Com23");
    combo("Combo4")->setCurrentIndex(0);
    emit combo("Combo4")->activated(0);
    EXPECT_EQ(Te21()->text(), "甲");   // the chosen teacher is current
    click("Comtea2");
    EXPECT_FALSE(checking());
    EXPECT_EQ(cell("2005", "01", "数学"), "甲");
    EXPECT_EQ(slot("甲", 1), "2005级01班 数学");
}

TEST_F(TeacherPanelTest, AssigningKeepsTheTeacherChosenForTheNextGap) {
    addTeachers({"甲", "乙"});
    open();
    click("Com23");
    combo("Combo4")->setCurrentIndex(1);
    emit combo("Combo4")->activated(1);
    click("Comtea2");
    EXPECT_EQ(gap(), "2004级02班 数学");
    EXPECT_EQ(combo("Combo4")->currentText(), "乙");
    EXPECT_EQ(entries(), QStringList{"2004级02班 语文"});
    click("Comtea2");
    EXPECT_EQ(slot("乙", 2), "2004级02班 数学");
    EXPECT_EQ(cell("2004", "02", "数学"), "乙");

    // A typed name that is no teacher's assigns nothing and stays on the gap.
    combo("Combo4")->setEditText("丁");
    click("Comtea2");
    EXPECT_EQ(gap(), "2004级02班 英语");
    EXPECT_TRUE(cell("2004", "02", "英语").isNull());
    // A typed name that is a teacher's assigns to that teacher, whoever is current.
    combo("Combo4")->setEditText(" 甲 ");
    click("Comtea2");
    EXPECT_EQ(cell("2004", "02", "英语"), "甲");
    EXPECT_EQ(gap(), "2004级01班 语文");
    click("Comtea1");
    EXPECT_FALSE(checking());
}

TEST_F(TeacherPanelTest, CheckOutlivesLeavingThePanelAndWritesTheGapsOwnCell) {
    addTeachers({"甲", "乙"});
    open();
    click("Com23");
    for (int i = 0; i < 3; ++i)
        click("Comtea4");
    ASSERT_EQ(gap(), "2004级01班 语文");
    w().Command1_Click();   // the class cursor is let go and bound again on the first row
    w().Command2_Click();
    EXPECT_EQ(w().visiblePanel(), 2);
    EXPECT_TRUE(checking());
    EXPECT_EQ(gap(), "2004级01班 语文");
    combo("Combo4")->setEditText("乙");
    click("Comtea2");
    EXPECT_EQ(cell("2004", "01", "语文"), "乙");
    EXPECT_TRUE(cell("2004", "02", "语文").isNull());
    EXPECT_EQ(slot("乙", 1), "2004级01班 语文");
    EXPECT_EQ(gap(), "2004级01班 数学");
}

TEST_F(TeacherPanelTest, CheckRefusesACellFilledMeanwhileAndAFullTeacher) {
    addTeachers({"甲", "乙"});
    fillSlots("乙", 20);
    open();
    click("Com23");
    ASSERT_EQ(gap(), "2004级02班 语文");
    DialogDouble dialogs;
    dialogs.answerMessage(MsgResult::Ok, kSlotsFull).answerMessage(MsgResult::Ok, kCellTaken);
    combo("Combo4")->setEditText("乙");
    click("Comtea2");
    EXPECT_EQ(dialogs.lastTitle(), " 提示");
    EXPECT_EQ(gap(), "2004级02班 语文");   // still on the gap
    EXPECT_TRUE(cell("2004", "02", "语文").isNull());

    // Another program gives the class its teacher while the gap is shown.
    db().execute("update 班级表 set 语文='丙' where 年级='2004' and 班='02'");
    combo("Combo4")->setEditText("甲");
    click("Comtea2");
    EXPECT_EQ(dialogs.lastTitle(), " 提示");
    EXPECT_EQ(cell("2004", "02", "语文"), "丙");
    EXPECT_EQ(slot("甲", 1), "");
    EXPECT_EQ(gap(), "2004级02班 数学");
}

} // namespace
