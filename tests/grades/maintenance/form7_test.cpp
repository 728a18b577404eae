// 特殊 → 分班 on the real main window: the window driven through its own
// controls as the administrator works it, the database checked afterwards.
#include "common/program_state.h"
#include "grades/app/main_window.h"
#include "grades/frame/Form2.h"
#include "grades/maintenance/Form7.h"
#include "platform/db/database.h"
#include "support/dialog_double.h"
#include "support/school_fixture.h"
#include "support/scripted_random.h"
#include "support/test_files.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <gtest/gtest.h>

using maintenance::Form7;
using platform::MsgResult;

namespace {

QStringList texts(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// Three classes of 2004 with 40 students each, totals falling with the
// serial: in 01 the totals 400..361, in 02 390..351 and in 03 380..341,
// so the pooled ranks interleave.
struct Form7Test : ::testing::Test {
    SchoolFixture school{{"语文", "数学"}, {"2004", "2005"},
                         {"2004级01班", "2004级02班", "2004级03班", "2005级01班"}};
    std::unique_ptr<Form2> window = makeMainWindow();
    Form2& w = *window;
    DialogDouble dialogs;

    Form7Test() {
        w.ConnectDataControls();
        state().IsAdministrator = -1;
        auto& db = *school.db();
        db.begin();
        for (int c = 1; c <= 3; ++c)
            for (int n = 0; n < 40; ++n)
                db.insertRow("成绩表", {"STID", "年级", "班", "姓名", "总分"},
                             {QStringLiteral("2004%1%2").arg(c).arg(n, 3, 10, QLatin1Char('0')), "2004",
                              QStringLiteral("0%1").arg(c), QStringLiteral("学生%1").arg(c),
                              410 - 10 * c - n});
        db.insertRow("成绩表", {"STID", "年级", "班", "姓名", "总分"}, {"20050001", "2005", "01", "新生", 500});
        db.commit();
    }

    Form7* open() {
        w.menuItem(QStringLiteral("fenban"))->trigger();
        auto* form = w.findChild<Form7*>(QString(), Qt::FindDirectChildrenOnly);
        if (form)
            form->useRandomSource(&random);
        return form;
    }
    static void tick(Form7& f, int row) { f.List1->item(row)->setCheckState(Qt::Checked); }
    int count(const QString& sql) { return school.db()->scalar(sql).toInt(); }
    int studentsOf(const QString& cls) {
        return count(QStringLiteral("SELECT COUNT(*) FROM 成绩表 WHERE 年级='2004' AND 班='%1'").arg(cls));
    }
    // Edits the selected plan line as a person does: size, type, 确定.
    static void setSize(Form7& f, int row, const QString& size) {
        f.List2->setCurrentRow(row);
        f.Text1[1]->setText(size);
        f.Command5->click();
    }

    ScriptedRandom random;
};

TEST_F(Form7Test, OnlyTheAdministratorOpensIt) {
    state().IsAdministrator = 0;
    dialogs.answerMessage(MsgResult::Ok, "只有系统管理员才有权使用本功能。");
    EXPECT_EQ(open(), nullptr);
    EXPECT_EQ(dialogs.lastTitle(), "提示");
}

TEST_F(Form7Test, PlanningViewBuildsAndEditsThePlan) {
    Form7* f = open();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->windowTitle(), "分班");
    EXPECT_EQ(texts(f->List1), (QStringList{"2004级01班 40人", "2004级02班 40人", "2004级03班 40人", "2005级01班 01人"}));
    EXPECT_TRUE(f->Check1->isChecked());
    EXPECT_TRUE(f->Option1[0]->isChecked());
    EXPECT_FALSE(f->Frame2[1]->isVisibleTo(f));

    // A class of another grade after the first is unticked again.
    tick(*f, 1);
    dialogs.answerMessage(MsgResult::Ok, "你不能同时选不同年级的班.");
    tick(*f, 3);
    EXPECT_EQ(f->List1->item(3)->checkState(), Qt::Unchecked);

    f->Command4->click();
    EXPECT_TRUE(f->Frame2[1]->isVisibleTo(f));
    EXPECT_FALSE(f->Command4->isVisibleTo(f));
    EXPECT_EQ(texts(f->List2),
              (QStringList{"2004级01班 40人 平 40人", "2004级02班 40人 平 40人", "2004级03班 40人 平 40人"}));
    EXPECT_EQ(f->Label1[0]->text(), "2004级  准备变成下面情况：");
    EXPECT_EQ(f->Text1[0]->text(), "01");
    EXPECT_EQ(f->Text1[1]->text(), "40");
    EXPECT_EQ(f->Combo1->currentText(), "平行");
    EXPECT_EQ(f->Label1[4]->text(), "还剩:0人");

    f->Text1[0]->setText("5");
    f->Text1[1]->setText("40");
    f->Combo1->setEditText("快");
    f->Command1->click();
    EXPECT_EQ(f->List2->currentItem()->text(), "2004级05班   人 快 40人");
    EXPECT_EQ(f->Label1[4]->text(), "还剩:-40人");
    f->Text1[0]->setText("02");
    dialogs.answerMessage(MsgResult::Ok, "请输入不同于左边列表框中的班级。");
    f->Command1->click();

    // The kept class 01 does not shrink; it may grow.
    setSize(*f, 0, "30");
    EXPECT_EQ(f->List2->item(0)->text(), "2004级01班 40人 平 40人");
    setSize(*f, 0, "50");
    EXPECT_EQ(f->List2->item(0)->text(), "2004级01班 40人 平 50人");
    EXPECT_EQ(f->Label1[4]->text(), "还剩:-50人");

    // Removing the last line (05) selects the first; the arrows walk the lines.
    f->List2->setCurrentRow(3);
    f->Command2->click();
    EXPECT_EQ(f->List2->count(), 3);
    EXPECT_EQ(f->List2->currentRow(), 0);
    f->Picture1[1]->click();
    EXPECT_EQ(f->Text1[0]->text(), "02");

    // Unticking 快慢班 rebuilds the plan with ordinary classes.
    f->Check1->click();
    EXPECT_EQ(texts(f->List2),
              (QStringList{"2004级01班 40人 常 40人", "2004级02班 40人 常 40人", "2004级03班 40人 常 40人"}));
    EXPECT_FALSE(f->Combo1->isVisibleTo(f));

    // Any click on the class list drops the plan until it is built again.
    tick(*f, 0);
    EXPECT_FALSE(f->Frame2[1]->isVisibleTo(f));
    EXPECT_TRUE(f->Command4->isVisibleTo(f));
    f->close();
}

TEST_F(Form7Test, ManualDivisionTakesOnlyClassesOfThePlan) {
    Form7* f = open();
    tick(*f, 0);
    tick(*f, 1);
    f->Command4->click();
    f->Option1[3]->click();
    f->Command3->click();
    EXPECT_TRUE(f->Frame2[2]->isVisibleTo(f));
    EXPECT_FALSE(f->Frame2[1]->isVisibleTo(f));
    EXPECT_EQ(f->Label7->text(), "2004级01班 学生1 总分400   ");
    EXPECT_EQ(f->Combo3->currentText(), "01");

    f->Combo3->setEditText("07");
    dialogs.answerMessage(MsgResult::Ok, "你只能选择列表框中的班。");
    f->Command11->click();
    EXPECT_EQ(f->Label7->text(), "2004级01班 学生1 总分400   ");

    f->Combo3->setEditText("03");
    f->Command11->click();
    EXPECT_EQ(f->Label7->text(), "2004级01班 学生1 总分399   ");
    f->Combo3->setEditText("01");
    f->Command11->click();
    f->Combo3->setEditText("03");   // on the third student: not given
    f->Command10->click();

    EXPECT_TRUE(f->Frame1[1]->isVisibleTo(f));
    EXPECT_FALSE(f->Frame1[0]->isVisibleTo(f));
    const auto& jl = f->students();
    ASSERT_EQ(jl.size(), 80u);
    EXPECT_EQ(jl[0].newClass, "03");
    EXPECT_EQ(jl[1].newClass, "01");
    for (size_t i = 2; i < jl.size(); ++i)
        EXPECT_EQ(jl[i].newClass, jl[i].cls);
    EXPECT_EQ(f->List3->item(0)->text(), "学生1  400   01 03");
    EXPECT_EQ(f->List3->item(1)->text(), "学生1  399   01 01");

    dialogs.answerMessage(MsgResult::No, "分班后的数据尚未写入,是否要将这些数据写入?");
    f->close();
    EXPECT_EQ(dialogs.lastTitle(), "未保存更改");
    EXPECT_EQ(studentsOf("03"), 40);
}

TEST_F(Form7Test, AdjustingMovesSelectedStudents) {
    Form7* f = open();
    tick(*f, 0);
    tick(*f, 1);
    f->Command4->click();
    f->Command3->click();   // by score: the plan keeps both at 40
    EXPECT_EQ(texts(f->List4), (QStringList{"01班 完全重新组合  现为40人", "02班 完全重新组合  现为40人",
                                            "03班 原来40人  将增加0人"}));
    EXPECT_EQ(f->Combo2->currentText(), "01");

    f->List3->item(0)->setSelected(true);
    f->List3->item(5)->setSelected(true);
    f->Combo2->setEditText("03");
    f->Command6->click();
    EXPECT_TRUE(f->List3->item(0)->text().endsWith("01 03"));
    EXPECT_TRUE(f->List3->item(5)->text().endsWith("03"));
    EXPECT_TRUE(f->List3->item(0)->isSelected());
    EXPECT_TRUE(f->List3->item(5)->isSelected());
    EXPECT_EQ(texts(f->List4), (QStringList{"01班 完全重新组合  现为38人", "02班 完全重新组合  现为40人",
                                            "03班 原来40人  将增加2人"}));

    f->Combo2->setEditText("07");
    dialogs.answerMessage(MsgResult::Ok, "你只能选择列表框中的班。");
    f->Command6->click();
    EXPECT_EQ(f->List4->item(2)->text(), "03班 原来40人  将增加2人");

    // Back to planning gives the division up: closing asks nothing.
    f->Command7->click();
    EXPECT_TRUE(f->Frame1[0]->isVisibleTo(f));
    EXPECT_FALSE(f->DivisionPending);
    QPointer<Form7> gone(f);
    f->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull());
    EXPECT_EQ(studentsOf("03"), 40);
}

TEST_F(Form7Test, TheCloseQuestionHasThreeAnswers) {
    auto divide = [&] {
        Form7* f = open();
        tick(*f, 0);
        f->Command4->click();
        f->List2->setCurrentRow(0);
        f->Text1[1]->setText("39");   // the re-formed 01 gives a seat to the kept 02
        f->Command5->click();
        f->List2->setCurrentRow(1);
        f->Text1[1]->setText("41");
        f->Command5->click();
        f->Command3->click();
        return f;
    };
    const QString question = "分班后的数据尚未写入,是否要将这些数据写入?";
    Form7* f = divide();
    dialogs.answerMessage(MsgResult::Cancel, question);
    f->close();
    EXPECT_TRUE(f->isVisible());
    EXPECT_TRUE(f->DivisionPending);

    dialogs.answerMessage(MsgResult::No, question);
    f->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(studentsOf("01"), 40);

    // Opened again and closed at once: nothing pending, nothing asked.
    const size_t asked = dialogs.shown().size();
    open()->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(dialogs.shown().size(), asked);

    f = divide();
    dialogs.answerMessage(MsgResult::Yes, question);
    f->close();
    EXPECT_EQ(studentsOf("01"), 39);
    EXPECT_EQ(studentsOf("02"), 41);
}

TEST_F(Form7Test, AFailedWriteBackIsToldAndKeepsTheDivision) {
    Form7* f = open();
    tick(*f, 0);
    f->Command4->click();
    f->Text1[0]->setText("07");
    f->Text1[1]->setText("5");
    f->Command1->click();
    setSize(*f, 0, "35");
    f->Command3->click();
    ASSERT_EQ(f->List4->item(3)->text(), "07班 原来0人  将增加5人");
    school.db()->dropTable("班级表");   // the class rows cannot be reached
    dialogs.answerMessage(MsgResult::Ok);
    f->Command8->click();
    EXPECT_TRUE(dialogs.lastMessage().startsWith("分班结果没有写入，数据库没有改变。"));
    EXPECT_EQ(dialogs.lastTitle(), platform::kErrorTitle);
    EXPECT_TRUE(f->isVisible());
    EXPECT_TRUE(f->DivisionPending);
    EXPECT_EQ(studentsOf("01"), 40);
    EXPECT_EQ(studentsOf("07"), 0);
    f->DivisionPending = false;
    f->close();
}

// The division a teacher would make: 05 a new fast class of 20, 01 and 02
// re-formed to 30 each, best and worst in turn, two students moved by hand.
TEST_F(Form7Test, DividingTwoClassesIntoThreeAndWritingItBack) {
    Form7* f = open();
    tick(*f, 0);
    tick(*f, 1);
    f->Command4->click();
    f->Text1[0]->setText("05");
    f->Text1[1]->setText("20");
    f->Combo1->setEditText("快");
    f->Command1->click();
    setSize(*f, 0, "30");
    setSize(*f, 1, "30");
    EXPECT_EQ(f->Label1[4]->text(), "还剩:0人");
    f->Option1[2]->click();
    f->Command3->click();
    EXPECT_EQ(texts(f->List4), (QStringList{"01班 完全重新组合  现为30人", "02班 完全重新组合  现为30人",
                                            "03班 原来40人  将增加0人", "05班 原来0人  将增加20人"}));

    int moved = 0;
    for (int row = 0; row < f->List3->count() && moved < 2; ++row)
        if (f->students()[size_t(row)].newClass == "01") {
            f->List3->item(row)->setSelected(true);
            ++moved;
        }
    f->Combo2->setCurrentIndex(1);   // 02
    f->Command6->click();
    f->Command8->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(w.findChild<Form7*>(), nullptr);

    EXPECT_EQ(studentsOf("05"), 20);
    EXPECT_EQ(studentsOf("01"), 28);
    EXPECT_EQ(studentsOf("02"), 32);
    EXPECT_EQ(studentsOf("03"), 40);
    // 05 holds the best 20 of the 80 pooled: 400..391 of 01, 390..386 of both.
    EXPECT_EQ(count("SELECT MIN(总分) FROM 成绩表 WHERE 班='05'"), 386);
    EXPECT_EQ(count("SELECT COUNT(*) FROM 成绩表 WHERE 年级='2004' AND 班 IN ('01','02') AND 总分 > 385"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM 班级表 WHERE 年级='2004' AND 班='05'"), 1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM 成绩表 WHERE 年级='2005' AND 班='01'"), 1);
}

} // namespace
