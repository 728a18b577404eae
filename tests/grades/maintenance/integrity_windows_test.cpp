// The integrity check window and the raw table editor on the real main
// window, driven through their controls with the dialog double answering.
#include "common/program_state.h"
#include "grades/app/main_window.h"
#include "grades/frame/Form2.h"
#include "grades/frame/Form8.h"
#include "grades/maintenance/Form15.h"
#include "platform/db/datacontrol.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/dbui/datagrid.h"
#include "support/dialog_double.h"
#include "support/other_program.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using platform::MsgResult;

namespace {

struct IntegrityWindows : ::testing::Test {
    SchoolFixture school{{"语文"}, {"2004"}, {"2004级01班", "2004级02班"}};
    std::unique_ptr<Form2> window = makeMainWindow();
    Form2& w = *window;
    DialogDouble dialogs;

    IntegrityWindows() { w.ConnectDataControls(); }
    void student(const QVariant& id, const QString& cls, const QVariant& name) {
        school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名"}, {id, "2004", cls, name});
    }
    QVariant value(const QString& sql) { return school.db()->scalar(sql); }
    Form15* openCheck() {
        w.menuItem("menuJIanca")->trigger();
        return w.findChild<Form15*>();
    }
};

TEST_F(IntegrityWindows, TheCheckStopsAsksAndEndsWithItsMessage) {
    student("20040007", "01", "张三");
    student(QVariant(), "09", "李四");
    w.Command1_Click();   // a panel stays open: the check does not finish it
    Form15* f = openCheck();
    ASSERT_TRUE(f);
    EXPECT_EQ(w.visiblePanel(), 1);
    EXPECT_EQ(openCheck(), f);   // one window, brought forward
    EXPECT_EQ(f->Adodc1().caption(), "共有2个,正在处理第1个同学.");

    f->Command1->click();
    EXPECT_EQ(f->Command1->text(), "继续");
    EXPECT_EQ(f->Combo1->currentText(), "2004");
    EXPECT_EQ(f->Combo2->currentText(), "");
    EXPECT_EQ(f->Combo2->count(), 2);   // the grade level's classes to choose from
    EXPECT_EQ(f->Text1->text(), "李四");
    EXPECT_EQ(f->Adodc1().caption(), "共有2个,正在处理第2个同学.");
    EXPECT_EQ(f->DataGrid1->view()->currentIndex().row(), 1);   // the grid is on the row to fill in

    // An empty box: No stays at the row, writing nothing.
    dialogs.answerMessage(MsgResult::No, "还留有空白内容没有填写,继续让它保持空白吗?");
    f->Command1->click();
    EXPECT_EQ(dialogs.lastTitle(), platform::programTitle());
    EXPECT_TRUE(value("SELECT 班 FROM 成绩表 WHERE 姓名 = '李四'").isNull());

    f->Combo2->setEditText("123");
    dialogs.answerMessage(MsgResult::Ok);
    f->Command1->click();
    EXPECT_TRUE(dialogs.lastMessage().contains("班"));
    EXPECT_TRUE(value("SELECT 班 FROM 成绩表 WHERE 姓名 = '李四'").isNull());

    f->Combo2->setEditText("02");
    dialogs.answerMessage(MsgResult::Ok, "检查完毕！");
    f->Command1->click();
    EXPECT_EQ(dialogs.lastTitle(), "OK");
    EXPECT_EQ(f->Command1->text(), "开始");
    EXPECT_EQ(value("SELECT 班 FROM 成绩表 WHERE 姓名 = '李四'").toString(), "02");
    EXPECT_EQ(value("SELECT STID FROM 成绩表 WHERE 姓名 = '李四'").toString(), "20040008");
    f->close();
}

TEST_F(IntegrityWindows, WithoutGradeLevelsTheCheckDoesNotStart) {
    student(QVariant(), "01", "张三");
    school.db()->execute("DELETE FROM 年级表");
    Form15* f = openCheck();
    dialogs.answerMessage(MsgResult::Ok);
    f->Command1->click();
    EXPECT_EQ(value("SELECT 年级 FROM 成绩表").toString(), "2004");
    EXPECT_EQ(f->Command1->text(), "开始");
    f->close();
}

TEST_F(IntegrityWindows, TheRawEditorChoosesSwitchesAndDeletes) {
    student("20040001", "01", "张三");
    student("20040002", "01", "李四");
    state().IsAdministrator = -1;
    dialogs.runModalWith([&](QDialog& d) {
        auto& f = dynamic_cast<Form8&>(d);
        f.show();
        EXPECT_EQ(f.windowTitle(), "编辑所有情况");
        EXPECT_TRUE(f.Combo1->isVisible());
        EXPECT_FALSE(f.DataGrid1->isVisible());
        f.Combo1_Click();   // the prompt binds nothing
        EXPECT_FALSE(f.DataGrid1->isVisible());

        f.Combo1->setCurrentIndex(0);
        f.Combo1_Click();
        EXPECT_FALSE(f.Combo1->isVisible());
        EXPECT_EQ(f.DataGrid1->caption(), "成绩表");
        EXPECT_EQ(f.DataGrid1->toolTip(), "Ctrl + Del 可以删除整条记录");
        QTableView* view = f.DataGrid1->view();
        view->setFocus();

        // Delete alone and Ctrl+Shift+Delete go to the grid: no question.
        QTest::keyClick(view, Qt::Key_Delete);
        QTest::keyClick(view, Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_TRUE(dialogs.messages().isEmpty());

        dialogs.answerMessage(MsgResult::No, "真的要删除这一条记录吗?");
        QTest::keyClick(view, Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_EQ(dialogs.lastTitle(), "请注意...");
        EXPECT_EQ(value("SELECT COUNT(*) FROM 成绩表").toInt(), 2);
        EXPECT_FALSE(f.Combo1->isVisible());   // the chooser stays away after the question

        dialogs.answerMessage(MsgResult::Yes, "真的要删除这一条记录吗?");
        QTest::keyClick(view, Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_EQ(value("SELECT COUNT(*) FROM 成绩表").toInt(), 1);

        // The table menu opens on the caption strip only, and switches the table.
        QTest::mouseClick(view->viewport(), Qt::RightButton, {}, QPoint(5, 5));
        EXPECT_FALSE(f.MenuKJ->isVisible());
        auto* strip = f.DataGrid1->findChild<QLabel*>();
        QTest::mouseClick(strip, Qt::RightButton, {}, QPoint(5, 5));
        EXPECT_TRUE(f.MenuKJ->isVisible());
        f.MenuKJ->hide();
        f.MenuJSB->trigger();
        EXPECT_EQ(f.DataGrid1->caption(), "教师表");

        // The settings rows keep their places.
        f.MenuZTB->trigger();
        dialogs.answerMessage(MsgResult::Ok);
        QTest::keyClick(view, Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_EQ(value("SELECT COUNT(*) FROM 状态表").toInt(), 37);
        EXPECT_EQ(dialogs.lastTitle(), "提示");
        return 0;
    });
    w.menuItem("MenuEditAll")->trigger();
}

// A cell typed and the window closed: the value is stored as leaving the row
// stores it; while another program holds the file, or for a value the field
// refuses, the window stays open with the message.
TEST_F(IntegrityWindows, TheRawEditorStoresTheCellTypedWhenClosed) {
    student("20040001", "01", "张三");
    student("20040002", "01", "李四");
    state().IsAdministrator = -1;
    testsupport::OtherProgram::waitAtMost(*school.db(), 50);
    testsupport::OtherProgram other(school.databasePath());
    dialogs.runModalWith([&](QDialog& d) {
        auto& f = dynamic_cast<Form8&>(d);
        f.show();
        f.Combo1->setCurrentIndex(0);
        f.Combo1_Click();
        QTableView* view = f.DataGrid1->view();
        auto type = [&](const char* field, const char* text) {
            const QModelIndex cell = view->model()->index(1, w.dataControl("Adodc1").recordset()->fieldIndex(field));
            view->setCurrentIndex(cell);
            view->edit(cell);
            QLineEdit* editor = nullptr;   // an editor closed before waits hidden for its deletion
            for (auto* open : view->viewport()->findChildren<QLineEdit*>())
                if (open->isVisible())
                    editor = open;
            ASSERT_NE(editor, nullptr);
            editor->setText(QString::fromUtf8(text));
        };

        type("语文", "abc");
        dialogs.answerMessage(MsgResult::Ok);
        f.reject();
        EXPECT_TRUE(f.isVisible());

        type("姓名", "王五");
        other.run("BEGIN IMMEDIATE");
        dialogs.answerMessage(MsgResult::Ok, "数据库正被别的程序使用,请稍后再试.");
        f.reject();
        EXPECT_TRUE(f.isVisible());
        other.run("ROLLBACK");
        EXPECT_EQ(value("SELECT 姓名 FROM 成绩表 WHERE STID = '20040002'").toString(), "李四");
        f.reject();
        EXPECT_FALSE(f.isVisible());
        return 0;
    });
    w.menuItem("MenuEditAll")->trigger();
    EXPECT_EQ(value("SELECT 姓名 FROM 成绩表 WHERE STID = '20040002'").toString(), "王五");
    EXPECT_TRUE(value("SELECT 语文 FROM 成绩表 WHERE STID = '20040002'").isNull());
}

} // namespace
