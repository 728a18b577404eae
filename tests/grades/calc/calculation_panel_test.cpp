// The calculation panel on the real main window: stored settings, the
// previous-term database, the stop button and a run driven from the panel.

#include "common/program_state.h"
#include "common/settings_rows.h"
#include "grades/calc/CalculationPanel.h"
#include "grades/app/main_window.h"
#include "grades/calc/core/calculation_run.h"
#include "grades/frame/Form2.h"
#include "support/dialog_double.h"
#include "support/school_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <functional>
#include <future>
#include <new>
#include <system_error>
#include <gtest/gtest.h>

using platform::MsgResult;

namespace {

struct Panel {
    SchoolFixture school{{"语文", "数学", "英语"}, {"2004"}, {"2004级01班", "2004级02班"}};
    std::unique_ptr<Form2> window;
    CalculationPanel* panel = nullptr;
    // `before` runs on the new database before the window reads it.
    explicit Panel(const std::function<void(platform::db::Database&)>& before = {}) {
        if (before)
            before(*school.db());
        window = makeMainWindow();
        window->ConnectDataControls();
        panel = &dynamic_cast<CalculationPanel&>(*window->panel(5));
        window->Command5_Click();
    }
    Form2& w() { return *window; }
    QString row(int n) {
        return school.db()->scalar("SELECT 状态 FROM 状态表 WHERE rowid=?", {n}).toString();
    }
    QStringList rows(int from, int to) {
        QStringList out;
        for (int n = from; n <= to; ++n)
            out << row(n);
        return out;
    }
    QLineEdit* edit(const char* name) { return w().control<QLineEdit>(name); }
    QCheckBox* check(const char* name) { return w().control<QCheckBox>(name); }
    QRadioButton* option(const char* name) { return w().control<QRadioButton>(name); }
};

// The settings rows the panel stores: 12 to 22 and 25.
QStringList stored(Panel& p) { return p.rows(12, 22) << p.row(25); }

} // namespace

TEST(CalculationSettings, StoredDefaultsComeBackWhenThePanelOpens) {
    Panel p;
    const QStringList defaults = {"2", "f", "t", "f", "t", "(h-30)/3", "(c/a-0.1)*100", "(b/a)*100+(c/a-j)*100",
                                  "80", "60", "40", "0"};
    EXPECT_EQ(stored(p), defaults);

    p.option("Option51")->setChecked(true);
    p.check("Check51")->setChecked(true);
    p.check("Check54")->setChecked(false);
    p.edit("Te52")->setText("  (h-30)/3 ");
    p.edit("Text3")->setText("   ");
    p.edit("Text5")->setText("a+b");
    p.edit("Te51_0")->setText(" 80");
    p.edit("Te51_1")->setText("50");
    p.panel->Command9_Click();
    const QStringList changed = {"1", "t", "t", "f", "f", "(h-30)/3", "0", "(b/a)*100+(c/a-j)*100",
                                 " 80", "50", "40", "a+b"};
    EXPECT_EQ(stored(p), changed);

    // Unsaved edits go on reopening; the previous-term comparison stays.
    p.check("Check55")->setChecked(true);
    p.edit("Te53")->setText("上期.mdb");
    p.option("Option53")->setChecked(true);
    p.edit("Te51_2")->setText("30");
    p.w().Command1_Click();
    p.w().Command5_Click();
    EXPECT_TRUE(p.option("Option51")->isChecked());
    EXPECT_TRUE(p.check("Check51")->isChecked());
    EXPECT_FALSE(p.check("Check54")->isChecked());
    EXPECT_EQ(p.edit("Text3")->text(), "0");
    EXPECT_EQ(p.edit("Te51_0")->text(), " 80");
    EXPECT_EQ(p.edit("Te51_2")->text(), "40");
    EXPECT_TRUE(p.check("Check55")->isChecked());
    EXPECT_EQ(p.edit("Te53")->text(), "上期.mdb");
    EXPECT_EQ(p.edit("Te53")->toolTip(), "上期.mdb");
}

TEST(CalculationSettings, OddRowsLoadSafelyAndStoreWhatThePanelShows) {
    Panel p([](platform::db::Database& db) {
        const std::pair<int, QVariant> odd[] = {{12, "7"}, {13, "T"}, {14, "true"}, {15, " t"}, {16, QVariant()},
                                                {17, QVariant()}, {20, QVariant()}};
        for (const auto& [row, value] : odd)
            db.execute("UPDATE 状态表 SET 状态=? WHERE rowid=?", {value, row});
    });
    EXPECT_TRUE(p.option("Option52")->isChecked());   // the option as created
    for (const char* c : {"Check51", "Check52", "Check53", "Check54"})
        EXPECT_FALSE(p.check(c)->isChecked()) << c;
    EXPECT_EQ(p.edit("Te52")->text(), "");
    EXPECT_EQ(p.edit("Te51_0")->text(), "");
    p.edit("Te51_0")->setText("80");
    p.panel->Command9_Click();
    EXPECT_EQ(p.rows(12, 17), (QStringList{"2", "f", "f", "f", "f", "0"}));
    EXPECT_EQ(p.row(20), "80");
}

TEST(CalculationSettings, AValueItsRowCannotHoldIsRefusedWithNothingStored) {
    Panel p;
    p.w().show();
    const struct {
        const char* box;
        QString text;
        QString message;
    } cases[] = {
        {"Te51_1", QString(26, '6'), "“及格分数”中的内容超过了25个字符,无法保存为默认值.请修改后再保存."},
        {"Te51_2", "", "“差生分数”是空的,无法保存为默认值.请填写后再保存."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box);
        p.w().Command5_Click();
        p.check("Check51")->setChecked(true);
        p.edit(c.box)->setText(c.text);
        const QStringList before = stored(p);
        DialogDouble dd;
        dd.answerMessage(MsgResult::Ok, c.message);
        p.panel->Command9_Click();
        EXPECT_EQ(stored(p), before);
        EXPECT_EQ(dd.lastTitle(), "提示");
        EXPECT_EQ(p.w().focusWidget(), p.edit(c.box));
    }
    // The formula boxes take no more than their row holds.
    p.edit("Te52")->setText(QString(30, 'a'));
    EXPECT_EQ(p.edit("Te52")->text().size(), 25);
}

TEST(CalculationSettings, BrowsingForThePreviousTermDatabase) {
    Panel p;
    p.edit("Te53")->setText("旧.mdb");
    {
        DialogDouble dd;
        dd.cancelDialog();
        p.panel->Com53_Click();
        ASSERT_EQ(dd.shown().size(), 1u);
        EXPECT_EQ(dd.shown()[0].file.title, "");
        EXPECT_EQ(dd.shown()[0].file.fileName, "旧.mdb");
        EXPECT_EQ(dd.shown()[0].file.filter, "数据库文件(*.mdb)|*.mdb|所有文件(*.*)|*.*");
        EXPECT_EQ(p.edit("Te53")->text(), "旧.mdb");
    }
    {
        const QString missing = p.school.folder() + "/没有.mdb";
        DialogDouble dd;
        dd.chooseFile(missing).answerMessage(MsgResult::Ok, "文件" + missing + "不存在,请重新选择?");
        p.panel->Com53_Click();
        EXPECT_EQ(dd.lastTitle(), "打开数据库文件");
        EXPECT_EQ(p.edit("Te53")->text(), "旧.mdb");
    }
    {
        DialogDouble dd;
        dd.chooseFile(p.school.databasePath());
        p.panel->Com53_Click();
        EXPECT_EQ(p.edit("Te53")->text(), p.school.databasePath());
        EXPECT_EQ(p.edit("Te53")->toolTip(), p.school.databasePath());
    }
}

TEST(CalculationSettings, StopOutsideARunSetsTheFlagAndTheNextRunClearsIt) {
    Panel p;
    p.w().control("Command10")->setEnabled(true);
    p.panel->Command10_Click();
    EXPECT_TRUE(p.panel->StopRequested);
    DialogDouble dd;
    dd.answerMessage(MsgResult::No);
    p.panel->Com51_Click();
    EXPECT_FALSE(p.panel->StopRequested);
}

namespace {

// Runs a hook at every message box, then lets the dialog double answer it.
struct Watch : platform::DialogService {
    platform::DialogService& inner = platform::dialogs();
    std::function<void()> atMessage;
    Watch() { platform::setDialogService(this); }
    ~Watch() override { platform::setDialogService(&inner); }
    MsgResult message(const QString& t, platform::MsgButtons b, const QString& title, platform::MsgIcon i) override {
        if (atMessage)
            atMessage();
        return inner.message(t, b, title, i);
    }
    MsgResult messageWithDefault(const QString& t, platform::MsgButtons b, const QString& title,
                                 MsgResult d) override {
        if (atMessage)
            atMessage();
        return inner.messageWithDefault(t, b, title, d);
    }
    QString input(const QString& p, const QString& t, const QString& d) override {
        if (atMessage)
            atMessage();
        return inner.input(p, t, d);
    }
    std::optional<QString> openFile(const platform::FileRequest& r) override { return inner.openFile(r); }
    std::optional<QString> saveFile(const platform::FileRequest& r) override { return inner.saveFile(r); }
    std::optional<QString> chooseFolder(const QString& t, const QString& f) override { return inner.chooseFolder(t, f); }
    std::optional<platform::FontChoice> chooseFont(const platform::FontChoice& f) override { return inner.chooseFont(f); }
    std::optional<platform::PrintRange> choosePrinter(QPrinter& p, bool selection) override {
        return inner.choosePrinter(p, selection);
    }
    bool defaultPrinter(QPrinter& p) override { return inner.defaultPrinter(p); }
    int runModal(QDialog& d) override { return inner.runModal(d); }
};

} // namespace

TEST(CalculationPanelRun, TheRunLocksTheProgramAndGivesBackItsStates) {
    Panel p;
    p.school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "考号", "语文", "数学", "英语"},
                             {"20040001", "2004", "01", "张三", "001", 105, 90, 80});
    state().StudentCount = 1;
    // As the start-up and the lock level leave them for a normal user at level 1.
    for (const char* m : {"MenuEDIT", "menuSJ"})
        p.w().menuItem(m)->setEnabled(true);
    for (int i = 1; i <= 7; ++i)
        p.w().control(QStringLiteral("Command%1").arg(i))->setEnabled(true);
    p.w().control("Command8")->setEnabled(false);
    p.w().menuItem("MenuFile")->setEnabled(false);

    DialogDouble dd;
    dd.answerMessage(MsgResult::Yes).answerInput("100").answerMessage(MsgResult::Ok);
    Watch watch;
    int seen = 0;
    watch.atMessage = [&] {
        if (++seen == 1)
            return;   // the confirmation comes before the lock
        EXPECT_FALSE(p.w().control("Command1")->isEnabled());
        EXPECT_FALSE(p.w().control("Comout_0")->isEnabled());
        EXPECT_FALSE(p.w().menuItem("MenuEDIT")->isEnabled());
        EXPECT_FALSE(p.w().control("Frame7")->isEnabled());
        EXPECT_TRUE(p.edit("Te52")->isReadOnly());
        EXPECT_TRUE(p.w().control("Frame10_0")->isHidden());
        EXPECT_FALSE(p.w().control("Frame10_1")->isHidden());
    };
    p.panel->Com51_Click();
    EXPECT_EQ(seen, 3);
    EXPECT_EQ(p.school.db()->scalar("SELECT 总分 FROM 成绩表").toFloat(), 270.0f);
    EXPECT_TRUE(p.w().control("Command1")->isEnabled());
    EXPECT_FALSE(p.w().control("Command8")->isEnabled());
    EXPECT_TRUE(p.w().menuItem("MenuEDIT")->isEnabled());
    EXPECT_FALSE(p.w().menuItem("MenuFile")->isEnabled());
    EXPECT_TRUE(p.w().control("Frame7")->isEnabled());
    EXPECT_FALSE(p.edit("Te52")->isReadOnly());
    EXPECT_FALSE(p.w().control("Frame10_0")->isHidden());
    EXPECT_TRUE(p.w().control("Frame10_1")->isHidden());
    // The labels of the stages the run went through keep their highlight.
    const QColor te50 = p.w().control("Te50")->palette().color(QPalette::Base);
    EXPECT_EQ(p.w().control("Lab51_6")->palette().color(QPalette::Window), te50);
    EXPECT_NE(p.w().control("Lab51_4")->palette().color(QPalette::Window), te50);
}

TEST(CalculationPanelRun, ClosingTheWindowStopsTheRunFirst) {
    Panel p;
    p.school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "考号", "语文", "数学", "英语"},
                             {"20040001", "2004", "01", "张三", "001", 105, 90, 80});
    p.school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "考号", "语文", "数学", "英语"},
                             {"20040002", "2004", "01", "李四", "002", 70, 90, 80});
    state().StudentCount = 2;
    p.w().show();
    DialogDouble dd;
    dd.answerMessage(MsgResult::Yes).answerInput("100");
    Watch watch;
    bool stillOpen = false;
    watch.atMessage = [&] {
        if (dd.shown().size() == 1) {   // at the too-high prompt, inside the run
            p.w().close();
            stillOpen = p.w().isVisible();
        }
    };
    p.panel->Com51_Click();
    EXPECT_TRUE(stillOpen);
    EXPECT_FALSE(p.w().isVisible());
    // Stopped at the first poll after the answer: the first student is not finished.
    EXPECT_EQ(p.school.db()->scalar("SELECT 语文 FROM 成绩表 WHERE STID='20040001'").toFloat(), 100.0f);
    EXPECT_TRUE(p.school.db()->scalar("SELECT 总分 FROM 成绩表 WHERE STID='20040001'").isNull());
}

TEST(CalculationPanelRun, TeacherFiguresRowTwentySixAndAPreviousTermThatCannotServe) {
    Panel p;
    p.school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "考号", "语文", "数学", "英语"},
                             {"20040001", "2004", "01", "张三", "001", 90, 70, 80});
    p.school.db()->insertRow("教师表", {"姓名", "任课班级1", "科目1"}, {"李老师", "2004级01班", "数学"});
    state().StudentCount = 1;
    const QString junk = p.school.folder() + QStringLiteral("/上期.mdb");
    QFile f(junk);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a database");
    f.close();
    p.option("Option51")->setChecked(true);
    p.check("Check55")->click();
    p.edit("Te53")->setText(junk);
    ASSERT_TRUE(p.edit("Te53")->isVisibleTo(&p.w()));

    DialogDouble dd;
    dd.answerMessage(MsgResult::Yes)
        .answerMessage(MsgResult::Ok, "你指定的上期成绩库中没有系统计算时需要的数据,系统自动放弃对提高率的计算!")
        .answerMessage(MsgResult::Ok);
    p.panel->Com51_Click();
    EXPECT_FALSE(p.check("Check55")->isChecked());
    EXPECT_FALSE(p.edit("Te53")->isVisibleTo(&p.w()));
    EXPECT_EQ(p.school.db()->scalar("SELECT 平均分 FROM 教师表").toFloat(), 70.0f);
    EXPECT_EQ(p.row(26), QStringLiteral("成绩表"));
    EXPECT_EQ(p.w().settings().value(Setting::AssessmentScoreTable), QStringLiteral("成绩表"));

    p.option("Option53")->setChecked(true);
    dd.answerMessage(MsgResult::Yes).answerMessage(MsgResult::Ok);
    p.panel->Com51_Click();
    EXPECT_EQ(p.row(26), QStringLiteral("相对成绩表"));
    EXPECT_EQ(p.w().settings().value(Setting::AssessmentScoreTable), QStringLiteral("相对成绩表"));
}

// A run that gets no thread does its tasks itself; a run left by an exception
// leaves the panel and the program unlocked, and 开始计算 runs again.
TEST(CalculationPanelRun, ARunWithoutAThreadOrLeftByAnExceptionLeavesThePanelUsable) {
    Panel p;
    p.school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "考号", "语文", "数学", "英语"},
                             {"20040001", "2004", "01", "张三", "001", 90, 70, 80});
    state().StudentCount = 1;
    const QString junk = p.school.folder() + QStringLiteral("/上期.mdb");
    QFile f(junk);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a database");
    f.close();
    p.check("Check55")->click();
    p.edit("Te53")->setText(junk);
    p.w().control("Command1")->setEnabled(true);
    auto usable = [&p] {
        EXPECT_FALSE(p.panel->running());
        EXPECT_TRUE(p.w().control("Command1")->isEnabled());
        EXPECT_TRUE(p.w().control("Frame7")->isEnabled());
        EXPECT_FALSE(p.edit("Te52")->isReadOnly());
        EXPECT_FALSE(p.w().control("Frame10_0")->isHidden());
        EXPECT_TRUE(p.w().control("Frame10_1")->isHidden());
    };
    struct Start {
        explicit Start(CalculationRun::TaskStart s) { CalculationRun::setTaskStart(std::move(s)); }
        ~Start() { CalculationRun::setTaskStart({}); }
    };
    {
        Start none([](const std::function<bool()>&) -> std::future<bool> {
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        });
        DialogDouble dd;
        dd.answerMessage(MsgResult::Yes)
            .answerMessage(MsgResult::Ok, "你指定的上期成绩库中没有系统计算时需要的数据,系统自动放弃对提高率的计算!")
            .answerMessage(MsgResult::Ok);
        p.panel->Com51_Click();
        EXPECT_TRUE(dd.lastMessage().startsWith(QStringLiteral("计算完成!"))) << dd.lastMessage().toStdString();
        usable();
    }
    p.check("Check55")->click();
    p.edit("Te53")->setText(junk);
    {
        Start failing([](const std::function<bool()>&) -> std::future<bool> { throw std::bad_alloc(); });
        DialogDouble dd;
        dd.answerMessage(MsgResult::Yes);
        EXPECT_THROW(p.panel->Com51_Click(), std::bad_alloc);
        usable();
    }
    p.check("Check55")->click();   // off
    DialogDouble dd;
    dd.answerMessage(MsgResult::Yes).answerMessage(MsgResult::Ok);
    p.panel->Com51_Click();
    EXPECT_TRUE(dd.lastMessage().startsWith(QStringLiteral("计算完成!"))) << dd.lastMessage().toStdString();
    usable();
}
