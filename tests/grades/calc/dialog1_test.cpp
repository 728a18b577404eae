// The earlier score databases: rows 27 to 32 through Dialog1.

#include "common/program_state.h"
#include "grades/app/main_window.h"
#include "grades/calc/Dialog1.h"
#include "grades/frame/Form2.h"
#include "support/dialog_double.h"
#include "support/school_fixture.h"

#include <QAction>
#include <QLineEdit>
#include <gtest/gtest.h>

using platform::MsgResult;

namespace {

struct Earlier {
    SchoolFixture school;
    std::unique_ptr<Form2> window = makeMainWindow();
    Form2& w = *window;
    Earlier() {
        state().IsAdministrator = -1;
        w.ConnectDataControls();
    }
    Dialog1* open() {
        w.menuItem("MenuYiQian")->trigger();
        for (Dialog1* d : w.findChildren<Dialog1*>())
            if (d->isVisible())
                return d;
        return nullptr;
    }
    QStringList rows() {
        QStringList out;
        for (int n = 27; n <= 32; ++n)
            out << school.db()->scalar("SELECT 状态 FROM 状态表 WHERE rowid=?", {n}).toString();
        return out;
    }
    static QStringList weights(Dialog1* d) {
        QStringList out;
        for (QLineEdit* t : d->Text2)
            out << t->text();
        return out;
    }
};

const QString kWeightMessage = QStringLiteral("几次考试所占的百分率之和必须为100.");

} // namespace

TEST(Dialog1, DefaultsLoadAndStoreAsCreated) {
    Earlier e;
    Dialog1* d = e.open();
    ASSERT_TRUE(d);
    EXPECT_EQ(d->windowTitle(), "对话框标题");
    for (QLineEdit* t : d->Text1)
        EXPECT_EQ(t->text(), "");
    EXPECT_EQ(Earlier::weights(d), (QStringList{"0", "0", "0", "0", "0", "100"}));
    d->OKButton_Click();
    EXPECT_EQ(e.rows(), (QStringList{"0", "0", "0", "0", "0", "0,0,0,0,0,100"}));
    EXPECT_FALSE(d->isVisible());
}

TEST(Dialog1, WeightsMustAddUpToAHundredRoundedAsTheyGo) {
    struct Case {
        QStringList weights;
        bool accepted;
    };
    const Case cases[] = {
        {{"50", "", "", "", "", "50"}, true},
        {{"33.3", "33.3", "33.4", "", "", ""}, false},   // 33, 66, 99
        {{"10.5", "10.5", "10.5", "10.5", "10.5", "47.5"}, false},   // halves to even: 98
        {{"abc", "", "", "", "", "100"}, true},
        {{"9999", "9999", "9999", "9999", "", ""}, false},
        {{"9E99", "", "", "", "", "100"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.weights.join(',').toStdString());
        Earlier e;
        Dialog1* d = e.open();
        for (int i = 0; i < 6; ++i)
            d->Text2[i]->setText(c.weights[i]);
        const QStringList before = e.rows();
        DialogDouble dd;
        if (!c.accepted)
            dd.answerMessage(MsgResult::Ok, kWeightMessage);
        d->OKButton_Click();
        if (c.accepted) {
            EXPECT_EQ(e.rows().last(), c.weights.join(','));
            Dialog1* again = e.open();
            EXPECT_EQ(Earlier::weights(again), c.weights);
        } else {
            EXPECT_EQ(dd.lastTitle(), "提示");
            EXPECT_EQ(e.rows(), before);
            EXPECT_TRUE(d->isVisible());
        }
    }
}

TEST(Dialog1, PathsAreStoredAsTypedAndMustFitTheirRow) {
    Earlier e;
    Dialog1* d = e.open();
    d->Text1[0]->setText("   ");
    d->Text1[1]->setText("  备份/一.mdb");
    d->OKButton_Click();
    EXPECT_EQ(e.rows().mid(0, 2), (QStringList{"0", "  备份/一.mdb"}));

    // 40 characters fit the box but not the row: nothing is stored.
    d = e.open();
    d->Text1[0]->setText("a.mdb");
    d->Text1[2]->setText(QString(30, 'x'));
    const QStringList before = e.rows();
    {
        DialogDouble dd;
        dd.answerMessage(MsgResult::Ok, "“成绩库三”的内容超过了25个字符,无法保存.请修改后再确定.");
        d->OKButton_Click();
    }
    EXPECT_EQ(e.rows(), before);
    EXPECT_EQ(d->focusWidget(), d->Text1[2]);
    // Six four-character weights joined are too long as well.
    d->Text1[2]->clear();
    const QStringList wide = {"0000", "0000", "0000", "0000", "0000", "0100"};
    for (int i = 0; i < 6; ++i)
        d->Text2[i]->setText(wide[i]);
    {
        DialogDouble dd;
        dd.answerMessage(MsgResult::Ok, "“综合分的比重”的内容超过了25个字符,无法保存.请修改后再确定.");
        d->OKButton_Click();
    }
    EXPECT_EQ(e.rows(), before);
}

TEST(Dialog1, RowsAsOnlyTheTableEditorLeavesThemLoad) {
    Earlier e;
    e.school.db()->execute("UPDATE 状态表 SET 状态=? WHERE rowid=?", {"1,,3,4,5,6,7,8", 32});
    e.school.db()->execute("UPDATE 状态表 SET 状态=NULL WHERE rowid=27");
    e.w.ConnectDataControls();
    Dialog1* d = e.open();
    EXPECT_EQ(d->Text1[0]->text(), "");
    EXPECT_EQ(Earlier::weights(d), (QStringList{"1", "", "3", "4", "5", "6"}));
}

TEST(Dialog1, BrowsingAndCancelling) {
    Earlier e;
    Dialog1* d = e.open();
    d->Text1[1]->setText("旧.mdb");
    {
        DialogDouble dd;
        dd.cancelDialog().chooseFile("新.mdb");
        d->Command1_Click(1);
        EXPECT_EQ(d->Text1[1]->text(), "旧.mdb");
        d->Command1_Click(0);
        EXPECT_EQ(d->Text1[0]->text(), "新.mdb");
        ASSERT_EQ(dd.shown().size(), 2u);
        EXPECT_EQ(dd.shown()[0].file.fileName, "旧.mdb");
        EXPECT_EQ(dd.shown()[1].file.fileName, "学生成绩库*.mdb");
        EXPECT_EQ(dd.shown()[1].file.title, "设置以前的数据文件");
        EXPECT_EQ(dd.shown()[1].file.filter, "Access数据库(*.mdb)|*.mdb|所有文件(*.*)|*.*");
    }
    const QStringList before = e.rows();
    d->CancelButton_Click();
    EXPECT_EQ(e.rows(), before);
    EXPECT_FALSE(d->isVisible());
}

TEST(Dialog1, OneDialogForTheAdministratorOnly) {
    Earlier e;
    Dialog1* d = e.open();
    d->Text1[0]->setText("未保存.mdb");
    EXPECT_EQ(e.open(), d);   // brought forward, not loaded again
    EXPECT_EQ(d->Text1[0]->text(), "未保存.mdb");
    d->close();
    EXPECT_EQ(e.open()->Text1[0]->text(), "");   // closed: the next one reads the rows again

    state().IsAdministrator = 0;
    DialogDouble dd;
    dd.answerMessage(MsgResult::Ok, "只有系统管理员才有权使用本功能。");
    e.w.menuItem("MenuYiQian")->trigger();
    EXPECT_EQ(dd.lastTitle(), "提示");
    EXPECT_EQ(dd.shown().size(), 1u);
}
