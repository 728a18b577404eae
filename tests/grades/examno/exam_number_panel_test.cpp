// The exam-number panel on the real main window: its opening, the composition
// example, the 只编写 switch, a build started with 编写, and the permission to
// rebuild, with the dialog double and the scripted random source.
#include "grades/app/main_window.h"
#include "grades/examno/ExamNumberPanel.h"
#include "grades/frame/Form2.h"

#include "common/program_state.h"
#include "common/settings_rows.h"
#include "support/dialog_double.h"
#include "support/login_script.h"
#include "support/school_fixture.h"
#include "support/scripted_random.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using platform::MsgResult;

namespace {

struct PanelTest : ::testing::Test {
    SchoolFixture school{{"语文", "数学"}, {"2004", "2005"}, {"2004级01班", "2004级02班", "2005级01班"},
                         QStringLiteral("pw")};
    std::unique_ptr<Form2> window = makeMainWindow();
    Form2& w = *window;
    ExamNumberPanel& panel = dynamic_cast<ExamNumberPanel&>(*w.panel(3));

    PanelTest() { w.ConnectDataControls(); }

    template <class T> T* at(const QString& name) { return w.control<T>(name); }
    QCheckBox* check1(int i) { return at<QCheckBox>(QStringLiteral("Check1_%1").arg(i)); }
    QString example() { return at<QLabel>("La33")->text(); }
    void seed(const QString& grade, const QString& cls, int count) {
        platform::db::Transaction t(*school.db());
        for (int i = 1; i <= count; ++i) {
            const QString n = QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
            school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号", "考号", "总分"},
                                   {grade + cls + n, grade, cls, "生" + n, n, n, 90});
        }
        t.commit();
    }
    void open() { w.Command3_Click(); }
};

} // namespace

TEST_F(PanelTest, OpensOnTheBuilderWithoutNumbersAndOnTheViewerWithThem) {
    open();
    EXPECT_TRUE(at<QGroupBox>("Frame1_3")->isVisibleTo(&w));
    EXPECT_TRUE(at<QGroupBox>("Frame4_0")->isVisibleTo(&w));
    EXPECT_FALSE(at<QGroupBox>("Frame4_1")->isVisibleTo(&w));
    EXPECT_FALSE(at<QPushButton>("Com32")->isEnabled());
    EXPECT_EQ(state().ExamRoomCount, 0);
    // The room size, the targets in stored order, and the stored choices ("3", "001").
    auto* size = at<QComboBox>("Combo5");
    EXPECT_EQ(size->count(), 22);
    EXPECT_EQ(size->currentText(), "保持各班现有人数");
    EXPECT_EQ(size->itemText(21), "30");
    auto* target = at<QComboBox>("Combo15");
    QStringList targets;
    for (int i = 0; i < target->count(); ++i)
        targets << target->itemText(i);
    EXPECT_EQ(targets, QStringList({"2004级", "2005级", "2004级01班", "2004级02班", "2005级01班"}));
    EXPECT_EQ(target->currentText(), "2004级");
    EXPECT_TRUE(at<QRadioButton>("Option3")->isChecked());
    EXPECT_FALSE(check1(0)->isChecked());
    EXPECT_TRUE(check1(2)->isChecked());

    // A size typed before goes back at the next opening.
    size->setEditText("25");
    w.settings().store(Setting::ExamRoomCount, "12");
    open();
    EXPECT_EQ(size->currentText(), "保持各班现有人数");
    EXPECT_FALSE(at<QGroupBox>("Frame4_0")->isVisibleTo(&w));
    EXPECT_TRUE(at<QGroupBox>("Frame4_1")->isVisibleTo(&w));
    EXPECT_EQ(state().ExamRoomCount, 12);
}

TEST_F(PanelTest, ExampleFollowsEveryChangedTickAndTheStoredComposition) {
    EXPECT_EQ(example(), "001 23");
    w.settings().store(Setting::ExamNumberParts, "001");
    open();   // the ticks it loads are those the window already has: nothing changes
    EXPECT_EQ(example(), "001 23");
    w.settings().store(Setting::ExamNumberParts, "101");
    open();
    EXPECT_TRUE(check1(0)->isChecked());
    EXPECT_FALSE(check1(1)->isChecked());
    EXPECT_EQ(example(), "2002 031 21");
    check1(4)->click();
    EXPECT_EQ(example(), "2 31 21");
    w.settings().store(Setting::ExamNumberCrossing, "x");
    at<QRadioButton>("Option2")->setChecked(true);
    open();
    EXPECT_TRUE(at<QRadioButton>("Option2")->isChecked());
    EXPECT_TRUE(check1(4)->isChecked());   // 紧缩 is not stored and keeps its tick
}

TEST_F(PanelTest, OnlyBuildReloadsAndLocksTheCompositionUntickingUnlocksIt) {
    w.settings().store(Setting::ExamNumberParts, "110");
    w.settings().store(Setting::ExamNumberCrossing, "1");
    open();
    check1(2)->click();
    check1(0)->click();
    at<QRadioButton>("Option2")->setChecked(true);
    at<QCheckBox>("Check2")->click();
    EXPECT_TRUE(at<QComboBox>("Combo15")->isEnabled());
    EXPECT_TRUE(check1(0)->isChecked());
    EXPECT_TRUE(check1(1)->isChecked());
    EXPECT_FALSE(check1(2)->isChecked());
    EXPECT_TRUE(at<QRadioButton>("Option1")->isChecked());
    for (int i : {0, 1, 2, 4})
        EXPECT_FALSE(check1(i)->isEnabled()) << i;
    EXPECT_TRUE(at<QRadioButton>("Option3")->isEnabled());
    EXPECT_EQ(example(), "2002 02 21");

    check1(0)->setChecked(false);   // as code may
    at<QCheckBox>("Check2")->click();
    EXPECT_FALSE(at<QComboBox>("Combo15")->isEnabled());
    for (int i : {0, 1, 2, 4})
        EXPECT_TRUE(check1(i)->isEnabled()) << i;
    EXPECT_FALSE(check1(0)->isChecked());   // nothing reloaded
}

TEST_F(PanelTest, BuildOfOneClassAsksTheStartRoomAndEnablesTheViewer) {
    seed("2004", "01", 3);
    seed("2004", "02", 4);
    seed("2005", "01", 2);
    open();
    at<QCheckBox>("Check2")->click();   // loads the stored method: choose after it
    at<QRadioButton>("Option2")->setChecked(true);
    at<QComboBox>("Combo15")->setCurrentIndex(3);   // 2004级02班
    at<QComboBox>("Combo5")->setEditText("30");
    DialogDouble dialogs;
    dialogs.answerInput("20", "请输入开始的考室的号码：").answerMessage(MsgResult::Ok, "考号编写完成!");
    ScriptedRandom random({0.4, 0.3, 0.2, 0.1});
    at<QPushButton>("Com31")->click();
    EXPECT_EQ(dialogs.shown()[0].title, "开始考试");
    EXPECT_EQ(dialogs.shown()[0].defaultText, "1");
    const auto rows = school.db()->query("select 姓名, 考号 from 成绩表 where 考室 = '020' order by 座位");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0][0].toString(), "生04");
    EXPECT_EQ(rows[0][1].toString(), "02001");
    EXPECT_EQ(w.settings().value(Setting::ExamRoomCount), "20");
    EXPECT_EQ(w.settings().value(Setting::ExamNumberCrossing), "2");
    EXPECT_EQ(w.settings().value(Setting::ExamNumberLength), "5");
    EXPECT_EQ(at<QLabel>("La35")->text(), "");
    EXPECT_TRUE(at<QPushButton>("Com32")->isEnabled());
    EXPECT_EQ(school.db()->scalar("select count(*) from 成绩表 where 总分 is not null").toInt(), 0);
}

TEST_F(PanelTest, PrintedNumbersAreRefusedAfterTheStartRoomIsAsked) {
    seed("2004", "01", 3);
    w.settings().store(Setting::ExamCardsPrinted, "是");
    open();
    at<QCheckBox>("Check2")->click();
    at<QLabel>("La35")->setText(".");
    DialogDouble dialogs;
    dialogs.answerInput("3").answerMessage();
    panel.Com31_Click();
    EXPECT_EQ(dialogs.lastTitle(), "重要提示");
    EXPECT_EQ(at<QLabel>("La35")->text(), ".");
    EXPECT_EQ(school.db()->scalar("select 考号 from 成绩表 where 姓名 = '生01'").toString(), "01");
}

TEST_F(PanelTest, RebuildIsPermittedByTheAdministratorOnly) {
    w.settings().store(Setting::ExamCardsPrinted, "是");
    open();
    {
        DialogDouble dialogs;
        scriptLogin(dialogs, "nope");
        w.menuItem("RestKH")->trigger();
        EXPECT_EQ(dialogs.messages(), QStringList({"无效的密码，请重试!"}));
    }
    EXPECT_EQ(w.settings().value(Setting::ExamCardsPrinted), "是");
    EXPECT_EQ(w.visiblePanel(), 3);
    {
        DialogDouble dialogs;
        scriptLogin(dialogs, "pw");
        dialogs.answerMessage(MsgResult::Ok, "您以前打印的考号可以作废了,您可以重新编写考号,重新打印了.");
        w.menuItem("RestKH")->trigger();
        EXPECT_EQ(dialogs.lastTitle(), "完成");
    }
    EXPECT_EQ(w.settings().value(Setting::ExamCardsPrinted), "否");
    EXPECT_EQ(w.visiblePanel(), 0);
}
