#include "common/program_state.h"
#include "common/settings_files.h"
#include "support/dialog_double.h"
#include "support/typing.h"
#include "grades/frame/Form1.h"
#include "grades/frame/core/setup_wizard.h"
#include "platform/ui/twips.h"
#include "support/program_folder.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using platform::MsgResult;

namespace {

QStringList entries(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

void select(QListWidget* list, const QString& text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text.toStdString();
    found.first()->setSelected(true);
}

class Wizard : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        Form1::setMainWindowOpener([this] { ++mainWindowsOpened; });
    }
    void TearDown() override {
        Form1::setMainWindowOpener({});
    }
    // The wizard as it starts, with a school name and a database path that pass.
    void load() {
        form.Form_Load();
        ASSERT_TRUE(form.wizardPrepared());
    }
    void fillValid() {
        form.Text1->setText("  第一实验中学 ");
        form.Text2->setText(dir.path() + "/学生成绩库.mdb");
    }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot); }
    struct Buttons { bool previous, next, finish; };
    void expectStep(int step, Buttons b) {
        EXPECT_EQ(form.WizardStep(), step);
        EXPECT_EQ(form.Command15->isEnabled(), b.previous) << "step " << step;
        EXPECT_EQ(form.Command16->isEnabled(), b.next) << "step " << step;
        EXPECT_EQ(form.Command17->isEnabled(), b.finish) << "step " << step;
        EXPECT_TRUE(form.Command1->isEnabled());
        EXPECT_TRUE(form.Command14->isEnabled());
        for (int i = 0; i < 5; ++i) EXPECT_EQ(!form.Frame1[i]->isHidden(), i == step) << "panel " << i;
    }

    TemporaryProgramFolder dir;
    int mainWindowsOpened = 0;
    Form1 form;
};

TEST_F(Wizard, ALocatorFileOfAnyContentHandsOverAtOnce) {
    QFile f(dir.path() + "/system.txt");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));  // empty
    f.close();
    DialogDouble dialogs;  // nothing may be shown
    form.Form_Load();
    EXPECT_FALSE(form.wizardPrepared());
    EXPECT_EQ(mainWindowsOpened, 1);
    EXPECT_EQ(files(), QStringList{"system.txt"});
    EXPECT_EQ(helpFile(), dir.path() + "/Orbisca.chm");
}

TEST_F(Wizard, StartsOnStepOneWithItsDefaults) {
    load();
    EXPECT_EQ(form.windowTitle(), "数据初始化");
    EXPECT_EQ(form.size(), platform::twipsRect(0, 0, 6060, 3495).size());
    EXPECT_EQ(form.Frame1[0]->geometry(), platform::twipsRect(1560, 120, 4380, 2640));
    EXPECT_EQ(form.Image1->geometry(), platform::twipsRect(120, 120, 1440, 1560));
    expectStep(0, {false, true, false});
    EXPECT_EQ(form.Command1->text(), "帮助");
    EXPECT_EQ(form.Command14->text(), "取消");
    EXPECT_EQ(form.Command15->text(), "上一步");
    EXPECT_EQ(form.Command16->text(), "下一步");
    EXPECT_EQ(form.Command17->text(), "完成");
    EXPECT_EQ(form.Command12->text(), "使用本机或网络上已有的数据库文件");
    EXPECT_EQ(form.Label1->text(), "第一步：输入学校的名字（20个字以内）：");

    QStringList offered;
    for (int i = 0; i < form.Combo1->count(); ++i) offered << form.Combo1->itemText(i);
    EXPECT_EQ(offered, QStringList({"语文", "数学", "英语", "历史", "政治", "物理", "化学", "生物", "地理"}));
    EXPECT_EQ(entries(form.List1), QStringList({"语文", "数学"}));

    const int year = QDate::currentDate().year();
    ASSERT_EQ(form.Combo2->count(), 9);
    EXPECT_EQ(form.Combo2->itemText(0), QString::number(year - 4));
    EXPECT_EQ(form.Combo2->itemText(8), QString::number(year + 4));
    const QString next = QString::number(year + 1);
    EXPECT_EQ(entries(form.List2), QStringList{next});
    EXPECT_EQ(entries(form.List3), QStringList{next});
    EXPECT_EQ(entries(form.List4), QStringList{next + "级01班"});
    EXPECT_EQ(form.Label8->text(), "共1个班");
    EXPECT_EQ(form.Label5->text(), "");
    EXPECT_EQ(form.Label7->text(), "");
    ASSERT_EQ(form.Combo3->count(), 20);
    EXPECT_EQ(form.Combo3->itemText(0), "01");
    EXPECT_EQ(form.Combo3->itemText(19), "20");

    EXPECT_GT(form.Text1->text().size(), 20);  // the prompt: refused if left as it is
    EXPECT_EQ(form.Text2->text(), dir.path() + "/学生成绩库.mdb");
    EXPECT_EQ(form.Text3->echoMode(), QLineEdit::Password);
    EXPECT_EQ(form.Text4->maxLength(), 8);
}

TEST_F(Wizard, NavigationSetsTheButtonsOfEachStep) {
    load();
    form.Command15_Click();
    expectStep(0, {false, true, false});
    form.Command16_Click();
    expectStep(1, {true, true, false});
    form.Command16_Click();
    form.Command16_Click();
    expectStep(3, {true, true, false});
    form.Command16_Click();
    expectStep(4, {true, false, true});
    form.Command16_Click();
    expectStep(4, {true, false, true});
    form.Command15_Click();
    expectStep(3, {true, true, false});

    form.Command16->click();  // the buttons are wired to their handlers
    expectStep(4, {true, false, true});
    form.Command15->click();
    form.Command15->click();
    form.Command15->click();
    form.Command15->click();
    expectStep(0, {false, true, false});
    form.Command12->click();
    expectStep(4, {true, false, true});
}

TEST_F(Wizard, SchoolNameTypingStopsAtTwentyCharacters) {
    load();
    form.Text1->setFocus();
    form.Text1->end(false);
    QTest::keyClicks(form.Text1, "xy");
    EXPECT_GT(form.Text1->text().size(), 20);
    EXPECT_FALSE(form.Text1->text().endsWith("xy"));  // the prompt can only get shorter
    form.Text1->clear();
    QTest::keyClicks(form.Text1, "abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(form.Text1->text(), "abcdefghijklmnopqrst");
}

TEST_F(Wizard, Subjects) {
    load();
    struct Case { QString typed; QString message; QStringList list; QString count; };
    const Case cases[] = {
        {"  ", "请在左边空格输入科目名称！", {"语文", "数学"}, ""},
        {"音", "科目名称必须是两个汉字！", {"语文", "数学"}, ""},
        {"信息技", "科目名称必须是两个汉字！", {"语文", "数学"}, ""},
        {"语文", "", {"语文", "数学"}, ""},
        {" ab ", "", {"语文", "数学", "ab"}, "共3科"},
        {"英语", "", {"语文", "数学", "ab", "英语"}, "共4科"},
    };
    for (const Case& c : cases) {
        DialogDouble dialogs;
        if (!c.message.isEmpty()) dialogs.answerMessage(MsgResult::Ok, c.message);
        form.Combo1->setEditText(c.typed);
        form.Command2->click();
        EXPECT_EQ(entries(form.List1), c.list) << c.typed.toStdString();
        EXPECT_EQ(form.Label5->text(), c.count) << c.typed.toStdString();
        if (c.message.isEmpty()) EXPECT_TRUE(dialogs.messages().isEmpty());
        else EXPECT_EQ(dialogs.lastTitle(), "提示");
    }
    EXPECT_EQ(form.Combo1->currentText(), "");

    form.Command3_Click();  // nothing selected
    EXPECT_EQ(form.List1->count(), 4);
    select(form.List1, "ab");
    form.Command3_Click();
    EXPECT_EQ(entries(form.List1), QStringList({"语文", "数学", "英语"}));
    EXPECT_EQ(form.Label5->text(), "共3科");
    form.Command4_Click();
    EXPECT_EQ(form.List1->count(), 0);
    EXPECT_EQ(form.Label5->text(), "");
}

TEST_F(Wizard, GradeLevelsKeepTheirClassesInStep) {
    load();
    const QString first = entries(form.List2).first();
    {
        DialogDouble dialogs;
        dialogs.answerMessage(MsgResult::Ok, "请检查左边空格的的内容是否满足要求！")
               .answerMessage(MsgResult::Ok, "请检查左边空格的的内容是否满足要求！");
        form.Combo2->setEditText("");
        form.Command7_Click();
        form.Combo2->setEditText("20281");
        form.Command7_Click();
    }
    form.Combo2->setEditText("2028");
    form.Command7_Click();
    form.Combo2->setEditText(" 2029 ");
    form.Command7_Click();
    form.Combo2->setEditText("2028");
    form.Command7_Click();  // already there: nothing
    EXPECT_EQ(entries(form.List2), (QStringList{first, "2028", "2029"}));
    EXPECT_EQ(entries(form.List3), entries(form.List2));
    EXPECT_TRUE(entries(form.List4).contains("2028级01班"));
    EXPECT_EQ(form.List4->count(), 3);
    EXPECT_EQ(form.Label7->text(), "共3个年级");
    EXPECT_EQ(form.Label8->text(), "共3个班");

    // Every class of a removed grade level goes with it.
    select(form.List3, "2028");
    form.Combo3->setEditText("02");
    form.Command10_Click();
    select(form.List2, "2028");
    form.Command6_Click();
    EXPECT_EQ(entries(form.List2), (QStringList{first, "2029"}));
    EXPECT_EQ(entries(form.List3), entries(form.List2));
    EXPECT_EQ(entries(form.List4), (QStringList{first + "级01班", "2029级01班"}));
    EXPECT_EQ(form.Label7->text(), "共2个年级");
    EXPECT_EQ(form.Label8->text(), "共2个班");

    form.Combo3->setEditText("05");
    form.Command5_Click();
    EXPECT_EQ(form.List2->count() + form.List3->count() + form.List4->count(), 0);
    EXPECT_EQ(form.Label7->text(), "");
    EXPECT_EQ(form.Label8->text(), "");
    EXPECT_EQ(form.Combo3->currentText(), "");
}

TEST_F(Wizard, Classes) {
    load();
    const QString first = entries(form.List3).first();
    {
        // One grade level, none selected: it is taken.
        form.Combo3->setEditText(" 03 ");
        form.Command10_Click();
        EXPECT_EQ(entries(form.List4), (QStringList{first + "级01班", first + "级03班"}));
        EXPECT_EQ(form.Label8->text(), "共2个班");
        EXPECT_EQ(form.Combo3->currentText(), "");
    }
    struct Case { QString typed; QString message; };
    form.Combo2->setEditText("2030");
    form.Command7_Click();
    form.List3->clearSelection();
    const Case cases[] = {
        {"", "请在左边空格是输入班级号！"},
        {"1", "班级号必须是两个数字或字母！"},
        {"123", "班级号必须是两个数字或字母！"},
        {"04", "请在左边选择一个年级！"},
    };
    for (const Case& c : cases) {
        DialogDouble dialogs;
        dialogs.answerMessage(MsgResult::Ok, c.message);
        form.Combo3->setEditText(c.typed);
        form.Command10_Click();
    }
    EXPECT_EQ(form.List4->count(), 3);
    select(form.List3, "2030");
    form.Combo3->setEditText("01");
    form.Command10_Click();  // already there
    EXPECT_EQ(form.List4->count(), 3);

    form.Command9_Click();  // nothing selected
    EXPECT_EQ(form.List4->count(), 3);
    select(form.List4, "2030级01班");
    form.Command9_Click();
    EXPECT_EQ(form.Label8->text(), "共2个班");
    form.Command8_Click();
    EXPECT_EQ(form.List4->count(), 0);
    EXPECT_EQ(form.Label8->text(), "");

    form.Command5_Click();
    DialogDouble dialogs;
    dialogs.answerMessage(MsgResult::Ok, "请在上一步中至少输入一个年级！");
    form.Combo3->setEditText("01");
    form.Command10_Click();
}

// What is typed into a step's box is what its checks see: the boxes complete
// nothing into their list entries, and a full entry typed is taken.
TEST_F(Wizard, TypedTextIsCheckedAsTyped) {
    load();
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    const QString grade = entries(form.List3).first();
    struct Case { int step; QComboBox* box; QPushButton* add; QListWidget* list; const char* typed;
                  const char* message; const char* added; };
    const Case cases[] = {
        {1, form.Combo1, form.Command2, form.List1, "物", "科目名称必须是两个汉字！", nullptr},
        {1, form.Combo1, form.Command2, form.List1, "物理", nullptr, "物理"},
        {2, form.Combo2, form.Command7, form.List2, "203", "请检查左边空格的的内容是否满足要求！", nullptr},
        {2, form.Combo2, form.Command7, form.List2, "2030", nullptr, "2030"},
        {3, form.Combo3, form.Command10, form.List4, "1", "班级号必须是两个数字或字母！", nullptr},
        {3, form.Combo3, form.Command10, form.List4, "10", nullptr, "级10班"},
    };
    for (const Case& c : cases) {
        while (form.WizardStep() < c.step) form.Command16->click();
        if (c.step == 3) select(form.List3, grade);
        const QStringList before = entries(c.list);
        DialogDouble dialogs;
        if (c.message) dialogs.answerMessage(MsgResult::Ok, QString::fromUtf8(c.message));
        c.box->setFocus();
        typeText(c.box, QString::fromUtf8(c.typed));
        c.add->click();
        const QStringList after = entries(c.list);
        if (c.added) {
            QStringList added = after;
            for (const QString& e : before) added.removeOne(e);
            ASSERT_EQ(added.size(), 1) << c.typed;
            EXPECT_TRUE(added.first().endsWith(QString::fromUtf8(c.added))) << c.typed;
        } else {
            EXPECT_EQ(after, before) << c.typed;
            c.box->setEditText({});
        }
    }
}

// 删除 pressed twice removes the selected entry only: the list is left with no selection.
TEST_F(Wizard, DeletingTwiceRemovesOneEntry) {
    load();
    form.Combo2->setEditText("2030");
    form.Command7_Click();
    form.List1->addItems({"物理", "化学"});
    struct Case { QListWidget* list; QPushButton* remove; QString entry; };
    const Case cases[] = {{form.List1, form.Command3, "数学"},
                          {form.List4, form.Command9, entries(form.List4).first()},
                          {form.List2, form.Command6, entries(form.List2).first()}};
    for (const Case& c : cases) {
        const qsizetype count = c.list->count();
        c.list->setCurrentRow(entries(c.list).indexOf(c.entry));
        c.remove->click();
        c.remove->click();
        EXPECT_EQ(c.list->count(), count - 1) << c.entry.toStdString();
        EXPECT_FALSE(entries(c.list).contains(c.entry));
        EXPECT_EQ(c.list->currentRow(), -1);
    }
}

// The finish checks in their order: each case breaks one thing of a valid wizard
// (and, where it matters, something that is checked later).
TEST_F(Wizard, FinishChecksInOrder) {
    struct Case {
        const char* what;
        std::function<void(Form1&, const QString& folder)> change;
        QString message;
        int step;   // where the wizard is afterwards
    };
    const Case cases[] = {
        {"empty path", [](Form1& f, auto&) { f.Text2->setText("   "); f.Text1->setText("x"); },
         "数据库文件名无效! 请使用绝对路径!", 4},
        {"bare file name", [](Form1& f, auto&) { f.Text2->setText("学生成绩库.mdb"); },
         "数据库文件名无效! 请使用绝对路径!", 4},
        {"missing folder", [](Form1& f, auto& d) { f.Text2->setText(d + "/没有/学生成绩库.mdb"); },
         "数据库文件名无效! 请使用绝对路径!", 4},
        {"a folder", [](Form1& f, auto& d) { f.Text2->setText(d + "/"); },
         "数据库文件名无效! 请使用绝对路径!", 4},
        {"the prompt", [](Form1& f, auto&) { f.Text1->setText("请在此输入贵校的真实名称，最好在十个字以内。"); },
         "请如实填写您的学校名称！", 0},
        {"three characters", [](Form1& f, auto&) { f.Text1->setText("  实验校  "); f.Text3->setText("a"); },
         "请如实填写您的学校名称！", 0},
        {"passwords differ", [](Form1& f, auto&) { f.Text3->setText("abc"); f.Text4->setText("abd"); f.List1->clear(); },
         "两次输入的密码不一样，请重新输入！", 4},
        {"password with a space", [](Form1& f, auto&) { f.Text3->setText(" abc"); f.Text4->setText(" abc"); },
         "密码的前后不能有空格！", 4},
        {"no subject", [](Form1& f, auto&) { f.List1->clear(); f.List3->clear(); },
         "至少要有一个科目！", 1},
        {"no grade", [](Form1& f, auto&) { f.List3->clear(); f.List4->clear(); },
         "至少要有一个年级！", 2},
        {"no class", [](Form1& f, auto&) { f.List4->clear(); },
         "至少要有一个班！", 3},
        {"grade without class", [](Form1& f, auto&) { f.List3->addItem("2000"); f.List3->addItem("1999"); },
         "1999级没有任何班，不允许没有班的年级！", 2},
    };
    for (const Case& c : cases) {
        Form1 f;
        f.Form_Load();
        f.Text1->setText("第一实验中学");
        f.Text2->setText(dir.path() + "/学生成绩库.mdb");
        f.Command12_Click();
        c.change(f, dir.path());
        DialogDouble dialogs;
        dialogs.answerMessage(MsgResult::Ok, c.message);
        f.Command17->click();
        EXPECT_EQ(dialogs.lastTitle(), "提示") << c.what;
        EXPECT_EQ(f.WizardStep(), c.step) << c.what;
        EXPECT_EQ(f.Command17->isEnabled(), c.step == 4) << c.what;
        EXPECT_EQ(f.Command15->isEnabled(), c.step != 0) << c.what;
        EXPECT_TRUE(files().isEmpty()) << c.what;
    }
    EXPECT_EQ(mainWindowsOpened, 0);
}

TEST_F(Wizard, AnExistingFileIsAttachedWhateverElseTheWizardHolds) {
    load();
    WriteSchoolSettings(dir.path(), 2, 4, 6, "已有的学校", "pw");
    QFile db(dir.path() + "/旧库.mdb");
    ASSERT_TRUE(db.open(QIODevice::WriteOnly));
    db.close();
    form.List1->clear();
    form.Text3->setText("x");
    form.Text2->setText("  " + dir.path() + "/旧库.mdb ");
    form.Command12_Click();

    DialogDouble dialogs;
    dialogs.answerMessage(MsgResult::Ok, "恭喜你数据初始化已完成！");
    form.Command17_Click();
    EXPECT_EQ(dialogs.lastTitle(), "提示");
    EXPECT_EQ(mainWindowsOpened, 1);
    EXPECT_EQ(ReadDatabaseLocator(), dir.path() + "/旧库.mdb");
    EXPECT_EQ(state().SchoolName, "已有的学校");
    EXPECT_EQ(state().DatabasePassword, "pw");
    EXPECT_EQ(QFileInfo(dir.path() + "/旧库.mdb").size(), 0);  // neither opened nor recreated
}

TEST_F(Wizard, AttachingWithoutSettingsRecordKeepsTheWizardOpen) {
    load();
    QFile db(dir.path() + "/旧库.mdb");
    ASSERT_TRUE(db.open(QIODevice::WriteOnly));
    db.close();
    form.Command12_Click();
    form.Text2->setText(dir.path() + "/旧库.mdb");
    DialogDouble dialogs;
    dialogs.answerMessage(MsgResult::Ok, "没有找到文件scro.dat");
    form.Command17_Click();
    EXPECT_EQ(dialogs.lastTitle(), "小错误...");
    EXPECT_EQ(mainWindowsOpened, 0);
    EXPECT_FALSE(QFile::exists(dir.path() + "/system.txt"));
    EXPECT_EQ(form.WizardStep(), 4);
    EXPECT_EQ(form.Text2->text(), dir.path() + "/旧库.mdb");
}

TEST_F(Wizard, BrowseTakesTheChosenFileAndACancelKeepsTheTypedPath) {
    load();
    form.Command12_Click();
    {
        DialogDouble dialogs;
        dialogs.chooseFile("/srv/学校/成绩.mdb");
        form.Command11->click();
        ASSERT_EQ(dialogs.shown().size(), 1u);
        const auto& request = dialogs.shown()[0].file;
        EXPECT_EQ(dialogs.shown()[0].kind, "save");
        EXPECT_EQ(request.title, "将数据文件保存为");
        EXPECT_EQ(request.filter, "Access数据库(*.mdb)|*.mdb|所有文件(*.*)|*.*");
        EXPECT_EQ(request.fileName, "学生成绩库.mdb");
        EXPECT_EQ(request.initialFolder, dir.path());
        EXPECT_FALSE(request.confirmOverwrite);  // choosing an existing file means attaching it
        EXPECT_EQ(form.Text2->text(), "/srv/学校/成绩.mdb");
    }
    DialogDouble dialogs;
    dialogs.cancelDialog();
    form.Command11_Click();
    EXPECT_EQ(form.Text2->text(), "/srv/学校/成绩.mdb");
}

TEST_F(Wizard, CancelClosesAndLeavesNoFile) {
    load();
    form.show();
    form.Command16_Click();
    form.Command16_Click();
    form.Command14->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(files().isEmpty());
    EXPECT_EQ(mainWindowsOpened, 0);
}

TEST_F(Wizard, HelpOpensNothingWithoutTheHelpFile) {
    load();
    EXPECT_EQ(helpFile(), dir.path() + "/Orbisca.chm");
    EXPECT_FALSE(openHelpFile());
    form.Command1->click();  // no message either
}

} // namespace
