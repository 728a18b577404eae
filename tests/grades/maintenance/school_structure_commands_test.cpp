// The 数据 menu's class and grade-level commands on the real main window, the
// input dialog driven through its own controls as a person fills it.
#include "common/program_state.h"
#include "common/today.h"
#include "grades/app/main_window.h"
#include "grades/frame/Form2.h"
#include "grades/maintenance/Dialog.h"
#include "platform/db/database.h"
#include "support/dialog_double.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

using platform::MsgResult;

namespace {

struct CommandsTest : ::testing::Test {
    SchoolFixture school{{"语文", "数学"}, {"2004"}, {"2004级01班", "2004级02班"}};
    std::unique_ptr<Form2> window = makeMainWindow();
    Form2& w = *window;
    DialogDouble dialogs;

    CommandsTest() {
        w.ConnectDataControls();
        state().IsAdministrator = -1;
        state().GradeCount = 1;
        state().ClassCount = 2;
    }
    ~CommandsTest() override { setTodayForTests({}); }

    void run(const char* item) { w.menuItem(QString::fromLatin1(item))->trigger(); }
    int rows(const QString& sql) { return school.db()->scalar(sql).toInt(); }
    void addStudents(const QString& cls, int count) {
        for (int i = 0; i < count; ++i)
            school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名"},
                                   {QStringLiteral("2004%1%2").arg(cls).arg(i, 2, 10, QLatin1Char('0')), "2004",
                                    cls, QStringLiteral("学生")});
        state().StudentCount += count;
    }
    // The next dialog: `fill` types and clicks; closing by the title bar when it left it open.
    void inDialog(std::function<void(Dialog&)> fill) {
        dialogs.runModalWith([fill](QDialog& d) {
            auto& dialog = dynamic_cast<Dialog&>(d);
            fill(dialog);
            return dialog.result();
        });
    }
    static void choose(QListWidget* list, const QString& text) {
        list->setCurrentItem(list->findItems(text, Qt::MatchExactly).value(0));
    }
};

TEST_F(CommandsTest, AddAClass) {
    inDialog([](Dialog& d) {
        EXPECT_EQ(d.windowTitle(), "增加一个班");
        EXPECT_TRUE(d.Frame1[Dialog::AddClass]->isVisibleTo(&d));
        EXPECT_FALSE(d.Frame1[Dialog::DeleteClass]->isVisibleTo(&d));
        EXPECT_EQ(d.Combo1->currentText(), "2004");
        EXPECT_EQ(d.Combo2->count(), 15);
        EXPECT_EQ(d.Combo2->itemText(14), "15");
        d.Combo2->setEditText("05 ");
        d.Command1->click();
    });
    dialogs.answerMessage(MsgResult::Ok, "2004级05班添加成功!");
    run("AddBan");
    EXPECT_EQ(dialogs.lastTitle(), "添加完成");
    EXPECT_EQ(rows("SELECT COUNT(*) FROM 班级表 WHERE 年级='2004' AND 班='05'"), 1);
    EXPECT_EQ(state().ClassCount, 3);
}

// Each case: what is typed into the add-class or add-grade frame, and the refusal.
struct Refusal {
    const char* item;
    const char* grade;       // Combo1 or Combo3 as typed
    const char* classId;     // Combo2 as typed (add a class only)
    const char* message;
    const char* title;       // "" : the program's own title
};

TEST_F(CommandsTest, TheDialogRefusesWhatItCannotTake) {
    const QString program = platform::programTitle();
    const Refusal cases[] = {
        {"AddBan", "2004", "5", "班必须是由两个字母或数字构成!", "提示"},
        {"AddBan", "2004", "051", "班必须是由两个字母或数字构成!", "提示"},
        {"AddBan", "2004", "0'", "班必须是由两个字母或数字构成!", "提示"},
        {"AddBan", "2004", "0 5", "班必须是由两个字母或数字构成!", "提示"},
        {"AddBan", "2004", "01 ", "这个班已经存在，请重新输入一个班。", "提示"},
        {"AddBan", "2099", "01", "你输入的年级不正确，如果确有这个年级，请先添加这个年级！", ""},
        {"AddBan", "2004 ", "07", "你输入的年级不正确，如果确有这个年级，请先添加这个年级！", ""},
        {"Menu_Addlj", "200", "", "年级号必须由4个数字或字母组成,且中间不能有空格,请重新输入!", ""},
        {"Menu_Addlj", "20055", "", "年级号必须由4个数字或字母组成,且中间不能有空格,请重新输入!", ""},
        {"Menu_Addlj", "20 5", "", "年级号必须由4个数字或字母组成,且中间不能有空格,请重新输入!", ""},
        {"Menu_Addlj", " 2004", "", " 2004级已经存在,请重新输入一个系统还没有的年级!", "提示"},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(std::string(c.item) + " " + c.grade + "|" + c.classId);
        const bool addClass = QString::fromLatin1(c.item) == "AddBan";
        inDialog([&](Dialog& d) {
            if (addClass) {
                d.Combo1->setEditText(QString::fromUtf8(c.grade));
                d.Combo2->setEditText(QString::fromUtf8(c.classId));
                d.Command1->click();
            } else {
                d.Combo3->setEditText(QString::fromUtf8(c.grade));
                d.Command3->click();
            }
            // Refused: still open, what was typed still there.
            EXPECT_EQ(d.result(), 0);
            EXPECT_EQ((addClass ? d.Combo2 : d.Combo3)->currentText(),
                      QString::fromUtf8(addClass ? c.classId : c.grade));
            d.CancelButton->click();
        });
        dialogs.answerMessage(MsgResult::Ok, QString::fromUtf8(c.message));
        run(c.item);
        EXPECT_EQ(dialogs.lastTitle(), *c.title ? QString::fromUtf8(c.title) : program);
    }
    EXPECT_EQ(rows("SELECT COUNT(*) FROM 班级表"), 2);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM 年级表"), 1);
    EXPECT_EQ(state().ClassCount, 2);
}

TEST_F(CommandsTest, WithoutGradeLevelsNoClassCanBeAdded) {
    school.db()->execute("DELETE FROM 年级表");
    inDialog([](Dialog& d) {
        EXPECT_EQ(d.Combo1->currentText(), "");
        d.Combo2->setEditText("03");
        d.Command1->click();
        d.CancelButton->click();
    });
    dialogs.answerMessage(MsgResult::Ok, "你输入的年级不正确，如果确有这个年级，请先添加这个年级！");
    run("AddBan");
    EXPECT_EQ(rows("SELECT COUNT(*) FROM 班级表"), 2);
}

TEST_F(CommandsTest, DeleteAClassWithItsStudents) {
    addStudents("01", 45);
    addStudents("02", 2);
    w.controlsOf(6).get<QComboBox>("Combo9")->addItem("2004级01班");
    inDialog([](Dialog& d) {
        EXPECT_EQ(d.windowTitle(), "删除一个班");
        EXPECT_TRUE(d.Frame1[Dialog::DeleteClass]->isVisibleTo(&d));
        d.Command2->click();   // nothing chosen yet
        EXPECT_EQ(d.result(), 0);
        choose(d.List1, "2004级01班");
        d.Command2->click();
    });
    dialogs.answerMessage(MsgResult::Ok, "请在左边列表框中选择一个班.");
    dialogs.answerMessage(MsgResult::Ok, "2004级01班删除成功!");
    run("DeleBan");
    EXPECT_EQ(dialogs.lastTitle(), "删除完成");
    EXPECT_EQ(rows("SELECT COUNT(*) FROM 成绩表"), 2);
    EXPECT_EQ(state().StudentCount, 2);
    EXPECT_EQ(state().ClassCount, 1);
    // The results view lists the classes afresh at its next opening.
    EXPECT_EQ(w.controlsOf(6).get<QComboBox>("Combo9")->count(), 0);

    // The last class is refused before the dialog opens.
    dialogs.answerMessage(MsgResult::Ok, "必须要有一个班,请先添加一些班之后再作删除操作!");
    run("DeleBan");
    EXPECT_EQ(dialogs.lastTitle(), "必须要有一个班");
}

TEST_F(CommandsTest, AddAndDeleteAGradeLevel) {
    setTodayForTests(QDate(2005, 9, 1));
    inDialog([](Dialog& d) {
        EXPECT_EQ(d.windowTitle(), "增加一个年级");
        QStringList years;
        for (int i = 0; i < d.Combo3->count(); ++i)
            years << d.Combo3->itemText(i);
        EXPECT_EQ(years, (QStringList{"2002", "2003", "2004", "2005", "2006", "2007", "2008"}));
        EXPECT_EQ(d.Combo3->currentText(), "2002");
        EXPECT_EQ(d.List1->item(0)->text(), "2004级");
        d.Combo3->setEditText(" 2008");
        d.Command3->click();
    });
    dialogs.answerMessage(MsgResult::Ok, "2008级添加成功!");
    run("Menu_Addlj");
    EXPECT_EQ(state().GradeCount, 2);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM 年级表 WHERE 年级='2008' AND 语文 IS NULL"), 1);

    addStudents("01", 3);
    inDialog([](Dialog& d) {
        EXPECT_TRUE(d.Frame1[Dialog::DeleteGrade]->isVisibleTo(&d));
        choose(d.List1, "2004级");
        d.Command4->click();
    });
    dialogs.answerMessage(MsgResult::Ok, "2004级删除成功!");
    run("Menu_Dellj");
    EXPECT_EQ(state().GradeCount, 1);
    EXPECT_EQ(state().ClassCount, 0);
    EXPECT_EQ(state().StudentCount, 0);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM 班级表"), 0);
}

TEST_F(CommandsTest, ClosingTheDialogChangesNothing) {
    inDialog([](Dialog& d) { d.Combo3->setEditText("2010"); });   // the title bar's close box
    run("Menu_Addlj");
    EXPECT_EQ(rows("SELECT COUNT(*) FROM 年级表"), 1);
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

TEST_F(CommandsTest, ANormalUserIsRefusedAfterThePanelIsFinished) {
    state().IsAdministrator = 0;
    w.Command1_Click();   // the student panel
    ASSERT_EQ(w.visiblePanel(), 1);
    dialogs.answerMessage(MsgResult::Ok, "只有系统管理员才有权使用本功能。");
    run("AddBan");
    EXPECT_EQ(w.visiblePanel(), 0);
    EXPECT_EQ(dialogs.lastTitle(), "提示");
}

TEST_F(CommandsTest, AFailedDeletionIsToldAndCountsStay) {
    addStudents("01", 3);
    school.db()->execute("CREATE TRIGGER refuse BEFORE DELETE ON 班级表 BEGIN SELECT RAISE(ABORT, '磁盘已满'); END");
    inDialog([](Dialog& d) {
        choose(d.List1, "2004级");
        d.Command4->click();
    });
    dialogs.answerMessage();
    run("Menu_Dellj");
    EXPECT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.lastTitle(), platform::kErrorTitle);
    EXPECT_FALSE(dialogs.lastMessage().contains("成功"));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM 成绩表"), 3);
    EXPECT_EQ(state().GradeCount, 1);
    EXPECT_EQ(state().StudentCount, 3);
}

} // namespace
