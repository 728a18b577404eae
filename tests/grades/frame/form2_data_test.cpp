// The main window on a small school database: start-up and the finishing work.

#include "common/program_state.h"
#include "common/settings_files.h"
#include "grades/app/main_window.h"
#include "grades/frame/Form2.h"
#include "grades/frame/Form8.h"
#include "grades/frame/core/form2_startup.h"
#include "platform/db/recordset.h"
#include "support/dialog_double.h"
#include "support/school_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <gtest/gtest.h>

using platform::db::Database;

namespace {

const QStringList kSubjects = {"语文", "数学", "英语"};
const QStringList kGrades = {"2004", "2005"};
const QStringList kClasses = {"2004级01班", "2004级02班", "2005级01班"};

QString slotClass(int n) { return QStringLiteral("任课班级%1").arg(n); }
QString slotSubject(int n) { return QStringLiteral("科目%1").arg(n); }

// A teacher's slotTexts as "class subject" texts, "" for an empty slot, 20 of them.
QStringList slotsOf(Database& db, const QString& name) {
    QStringList out;
    for (int n = 1; n <= 20; ++n) {
        const auto rows = db.query(QStringLiteral("select \"%1\", \"%2\" from 教师表 where 姓名=?")
                                       .arg(slotClass(n), slotSubject(n)), {name});
        const QString c = rows.at(0).at(0).toString(), s = rows.at(0).at(1).toString();
        out << (c.isEmpty() && s.isEmpty() ? QString() : c + " " + s);
    }
    return out;
}

void addTeacher(Database& db, const QString& name, const QStringList& slotTexts) {
    QStringList fields = {QStringLiteral("姓名")};
    QVariantList values = {name};
    for (int n = 1; n <= slotTexts.size(); ++n) {
        if (slotTexts[n - 1].isEmpty())
            continue;
        const auto parts = slotTexts[n - 1].split(' ');
        fields << slotClass(n) << slotSubject(n);
        values << parts[0] << parts[1];
    }
    db.insertRow(QStringLiteral("教师表"), fields, values);
}

QStringList padded(QStringList slotTexts) {
    while (slotTexts.size() < 20)
        slotTexts << QString();
    return slotTexts;
}

// A school, its main window connected as after the start-up.
struct Connected {
    SchoolFixture school{kSubjects, kGrades, kClasses};
    std::unique_ptr<Form2> wWindow = makeMainWindow();
    Form2& w = *wWindow;
    Connected() { w.ConnectDataControls(); }
    Database& db() { return *school.db(); }
    void open(const char* control, const char* source) {
        auto& dc = w.anyDataControl(control);
        dc.setRecordSource(QString::fromUtf8(source));
        dc.refresh();
    }
};

} // namespace

// ------------------------------------------------------------ finishing work

TEST(Form2Finish, TeacherPanelClosesUpTheSlots) {
    struct Case { const char* what; QStringList before, after; };
    QStringList full;
    for (int n = 1; n <= 20; ++n)
        full << QStringLiteral("2004级01班 科%1").arg(n);
    const Case cases[] = {
        {"gap filled from the highest slot",
         {"2004级01班 语文", "", "2004级02班 语文", "2005级01班 数学"},
         {"2004级01班 语文", "2005级01班 数学", "2004级02班 语文"}},
        {"all empty", {}, {}},
        {"all filled", full, full},
        {"leading gaps", {"", "", "2004级01班 语文", "", "2005级01班 英语"},
         {"2005级01班 英语", "2004级01班 语文"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Connected s;
        addTeacher(s.db(), "张三", c.before);
        s.open("Ad2", "教师表");
        s.w.ShowPanel(2);
        s.w.Comout_Click(1);
        EXPECT_EQ(slotsOf(s.db(), "张三"), padded(c.after));
        EXPECT_EQ(s.w.visiblePanel(), 0);
        EXPECT_TRUE(s.w.anyDataControl("Ad2").recordSource().isEmpty());
    }
}

TEST(Form2Finish, TeacherPanelWorksOnEveryTeacher) {
    Connected s;
    addTeacher(s.db(), "甲", {"", "2004级01班 语文"});
    addTeacher(s.db(), "乙", {"", "", "2005级01班 数学"});
    s.open("Ad2", "教师表");
    s.w.anyDataControl("Ad2").recordset()->moveLast();
    s.w.ShowPanel(2);
    s.w.Comout_Click(1);
    EXPECT_EQ(slotsOf(s.db(), "甲"), padded({"2004级01班 语文"}));
    EXPECT_EQ(slotsOf(s.db(), "乙"), padded({"2005级01班 数学"}));
}

TEST(Form2Finish, FullMarkPanelClearsTeachersOfPapersNotTaken) {
    Connected s;
    auto& db = s.db();
    db.execute("update 年级表 set 英语=0 where 年级='2004'");
    db.execute("update 年级表 set 数学=null where 年级='2005'");
    db.execute("update 班级表 set 语文='甲', 数学='乙', 英语='乙'");
    addTeacher(db, "甲", {"2004级01班 语文", "2004级02班 语文", "2005级01班 语文"});
    addTeacher(db, "乙", {"2004级01班 英语", "2004级01班 数学", "2005级01班 数学", "2004级02班 英语",
                          "2005级01班 英语"});
    s.open("Ad4", "年级表");
    s.w.ShowPanel(4);
    s.w.Comout_Click(3);

    // Full marks of papers not taken are stored empty; the rest stay.
    const auto marks = db.query("select 年级, 语文, 数学, 英语 from 年级表 order by 年级");
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_TRUE(marks[0][3].isNull());
    EXPECT_EQ(marks[0][2].toDouble(), 100);
    EXPECT_TRUE(marks[1][2].isNull());
    EXPECT_EQ(marks[1][3].toDouble(), 100);
    // The classes lose only the teachers of those papers.
    const auto classes = db.query("select 年级, 班, 语文, 数学, 英语 from 班级表 order by 年级, 班");
    ASSERT_EQ(classes.size(), 3u);
    for (int i : {0, 1}) {
        EXPECT_EQ(classes[i][2].toString(), "甲");
        EXPECT_EQ(classes[i][3].toString(), "乙");
        EXPECT_TRUE(classes[i][4].isNull());
    }
    EXPECT_TRUE(classes[2][3].isNull());
    EXPECT_EQ(classes[2][4].toString(), "乙");
    // The slotTexts are emptied in place; closing up waits for the teacher panel.
    EXPECT_EQ(slotsOf(db, "甲"), padded({"2004级01班 语文", "2004级02班 语文", "2005级01班 语文"}));
    EXPECT_EQ(slotsOf(db, "乙"), padded({"", "2004级01班 数学", "", "", "2005级01班 英语"}));
    EXPECT_EQ(s.w.control<QLabel>("La42")->text(), "请稍侯,系统正在将你刚的操作更新......");
    EXPECT_EQ(s.w.visiblePanel(), 0);
}

TEST(Form2Finish, AFailingFullMarkFinishWritesNothingAndSaysSo) {
    Connected s;
    auto& db = s.db();
    db.execute("update 年级表 set 英语=0 where 年级='2004'");
    db.execute("update 班级表 set 英语='乙'");
    db.execute("alter table 班级表 drop column 英语");   // the class rows cannot take the change
    s.open("Ad4", "年级表");
    s.w.ShowPanel(4);
    DialogDouble d;
    d.answerMessage();
    s.w.Comout_Click(3);
    EXPECT_EQ(d.messages().size(), 1);
    EXPECT_EQ(s.w.visiblePanel(), 0);
    // Rolled back, and the full mark already changed in memory is not stored afterwards.
    EXPECT_EQ(db.scalar("select 英语 from 年级表 where 年级='2004'").toDouble(), 0.0);
    EXPECT_FALSE(db.scalar("select 英语 from 年级表 where 年级='2004'").isNull());
}

TEST(Form2Finish, StudentPanelStoresTheStudentCount) {
    Connected s;
    state().StudentCount = 3;
    s.w.ShowPanel(1);
    s.w.control("Comm11")->setEnabled(true);
    s.w.Comout_Click(0);
    EXPECT_EQ(ReadSchoolSettings(s.school.folder())->studentCount, 3.0f);
    EXPECT_FALSE(s.w.control("Comm11")->isEnabled());
    EXPECT_FALSE(s.w.control("Te11")->isEnabled());
    EXPECT_TRUE(s.w.control("Combo1")->isEnabled());
    EXPECT_EQ(s.w.visiblePanel(), 0);

    // Leaving the program with the panel open stores nothing.
    state().StudentCount = 7;
    s.w.ShowPanel(1);
    s.w.menuItem("menu12")->trigger();
    EXPECT_EQ(ReadSchoolSettings(s.school.folder())->studentCount, 3.0f);
}

TEST(Form2Finish, SwitchingPanelsFinishesTheOneShowing) {
    Connected s;
    state().StudentCount = 4;
    s.w.Command1_Click();
    EXPECT_EQ(s.w.visiblePanel(), 1);
    s.w.menuItem("MenuKh")->trigger();   // a menu twin: finishes the student panel, opens 考号
    EXPECT_EQ(s.w.visiblePanel(), 3);
    EXPECT_EQ(ReadSchoolSettings(s.school.folder())->studentCount, 4.0f);
    s.w.Comout_Click(2);
    EXPECT_EQ(s.w.visiblePanel(), 0);
}

// ------------------------------------------------------------ panels of other subsystems

TEST(Form2Panels, CalculationPanelLoadsItsStoredSettings) {
    Connected s;
    s.w.control<QRadioButton>("Option51")->setChecked(true);
    s.w.control<QCheckBox>("Check55")->setChecked(true);
    s.w.control<QLineEdit>("Te53")->setText("上期.mdb");
    s.w.menuItem("MenuJs")->trigger();
    EXPECT_EQ(s.w.visiblePanel(), 5);
    EXPECT_TRUE(s.w.control<QRadioButton>("Option52")->isChecked());
    EXPECT_FALSE(s.w.control<QCheckBox>("Check51")->isChecked());
    EXPECT_TRUE(s.w.control<QCheckBox>("Check52")->isChecked());
    EXPECT_FALSE(s.w.control<QCheckBox>("Check53")->isChecked());
    EXPECT_TRUE(s.w.control<QCheckBox>("Check54")->isChecked());
    EXPECT_EQ(s.w.control<QLineEdit>("Te52")->text(), "(h-30)/3");
    EXPECT_EQ(s.w.control<QLineEdit>("Text4")->toolTip(), "(b/a)*100+(c/a-j)*100");
    EXPECT_EQ(s.w.control<QLineEdit>("Text5")->text(), "0");
    EXPECT_EQ(s.w.control<QLineEdit>("Te51_2")->text(), "40");
    // The previous-term comparison is kept, and its controls follow it.
    EXPECT_TRUE(s.w.control<QCheckBox>("Check55")->isChecked());
    EXPECT_EQ(s.w.control<QLineEdit>("Te53")->text(), "上期.mdb");
    EXPECT_FALSE(s.w.control("Te53")->isHidden());
    EXPECT_TRUE(s.w.control("Frame10_1")->isHidden());
    EXPECT_FALSE(s.w.control("Frame10_0")->isHidden());
}

TEST(Form2Panels, ResultsViewRefusesAnEmptyScoreTable) {
    Connected s;
    DialogDouble d;
    d.answerMessage(platform::MsgResult::Ok, "你现在还没有输入任何一名同学，不能进行各种查看！");
    s.w.Command6_Click();
    EXPECT_EQ(d.lastTitle(), "提示");
    EXPECT_EQ(s.w.visiblePanel(), 0);
    EXPECT_EQ(state().CurrentScoreTable, "成绩表");
    // The lists filled on the way stay filled.
    auto* classes = s.w.control<QComboBox>("Combo9");
    QStringList items;
    for (int i = 0; i < classes->count(); ++i)
        items << classes->itemText(i);
    EXPECT_EQ(items, QStringList({"2004级", "2004级01班", "2004级02班", "2005级", "2005级01班", "所有班级"}));
    auto* rooms = s.w.control<QComboBox>("Combo10");
    ASSERT_EQ(rooms->count(), 1);
    EXPECT_EQ(rooms->itemText(0), "所有考室");
    EXPECT_EQ(s.w.control<QComboBox>("Combo12")->currentText(), "平均分");
    EXPECT_EQ(s.w.control<QComboBox>("Combo14")->currentText(), "4");
}

TEST(Form2Panels, ResultsViewOpensWithStudents) {
    Connected s;
    s.db().insertRow("成绩表", {"STID", "年级", "班", "姓名"}, {"20040001", "2004", "01", "王五"});
    s.w.setSettingsValue(7, "3");
    s.w.menuItem("MenuCk")->trigger();
    EXPECT_EQ(s.w.visiblePanel(), 6);
    EXPECT_EQ(state().ExamRoomCount, 3);
    EXPECT_EQ(s.w.control<QComboBox>("Combo10")->itemText(0), "1考室");
    EXPECT_EQ(s.w.control<QComboBox>("Combo10")->count(), 4);
}

TEST(Form2Panels, TeacherScoresNeedATeacher) {
    Connected s;
    s.w.Command7_Click();   // no teacher: the home panel stays, nothing is said
    EXPECT_EQ(s.w.visiblePanel(), 0);
    addTeacher(s.db(), "甲", {});
    addTeacher(s.db(), "乙", {});
    s.w.setSettingsValue(26, "绝对成绩表");
    s.w.menuItem("MenuJf")->trigger();
    EXPECT_EQ(s.w.visiblePanel(), 7);
    EXPECT_EQ(state().CurrentScoreTable, "绝对成绩表");
    EXPECT_EQ(s.w.control<QComboBox>("Combo11")->count(), 2);
    s.w.Command7_Click();   // opening again does not repeat the names
    EXPECT_EQ(s.w.control<QComboBox>("Combo11")->count(), 2);
}

TEST(Form2Panels, EditAllOpensTheSharedWindowInEditMode) {
    Connected s;
    s.w.ShowPanel(7);
    DialogDouble d;
    d.runModalWith([&](QDialog& dialog) {
        auto* form = dynamic_cast<Form8*>(&dialog);
        EXPECT_NE(form, nullptr);
        if (!form)
            return 0;
        EXPECT_EQ(form->windowTitle(), "编辑所有情况");
        EXPECT_FALSE(form->isHelpMode());
        EXPECT_EQ(form->parentWidget(), &s.w);
        for (QWidget* hidden : {form->Picture1, static_cast<QWidget*>(form->HScroll1),
                                static_cast<QWidget*>(form->VScroll1)})
            EXPECT_TRUE(hidden->isHidden());
        EXPECT_EQ(s.w.visiblePanel(), 0);   // the finishing work ran first
        return 1;
    });
    s.w.menuItem("MenuEditAll")->trigger();
    EXPECT_EQ(d.shown().size(), 1u);
}

TEST(Form2Panels, EarlierScoresAreRefusedToANormalUser) {
    Connected s;
    state().IsAdministrator = 0;
    DialogDouble d;
    d.answerMessage(platform::MsgResult::Ok, "只有系统管理员才有权使用本功能。");
    s.w.menuItem("MenuYiQian")->trigger();
    EXPECT_EQ(d.lastTitle(), "提示");
}

TEST(Form2Connections, DisconnectLetsGoOfEveryRecordSetAndConnectTakesThemBack) {
    Connected s;
    s.open("Ad2", "教师表");
    s.open("Adodc1", "成绩表");
    ASSERT_TRUE(s.w.isConnected());
    s.w.DisconnectDataControls();
    EXPECT_FALSE(s.w.isConnected());
    for (const char* name : {"Adodc0", "Adodc1", "Ad2"}) {
        EXPECT_EQ(s.w.anyDataControl(name).recordset(), nullptr) << name;
        EXPECT_EQ(s.w.anyDataControl(name).database(), nullptr) << name;
    }
    s.w.ConnectDataControls();
    EXPECT_TRUE(s.w.isConnected());
    EXPECT_EQ(s.w.settingsValue(35), "0");
}
