// The main window and its panels as the user drives them: real clicks on the
// panel buttons and their menu twins, a panel added through the interface
// alone, and the lock level with a window of the main window open.
#include "common/program_state.h"
#include "common/settings_files.h"
#include "grades/app/main_window.h"
#include "grades/entry/Form12.h"
#include "grades/frame/Form2.h"
#include "grades/frame/lock_level.h"
#include "platform/db/datacontrol.h"
#include "platform/ui/twips.h"
#include "support/dialog_double.h"
#include "support/school_fixture.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct Calls {
    int mayOpen = 0, load = 0, finish = 0;
};

// Forwards to a real panel and counts its three moments.
class Counted : public Form2Panel {
public:
    Counted(std::unique_ptr<Form2Panel> inner, Calls& calls) : inner_(std::move(inner)), calls_(calls) {}
    int index() const override { return inner_->index(); }
    const std::vector<form2::ControlDesign>& designs() const override { return inner_->designs(); }
    void layout(form2::LayoutPass& p, double w, double h) const override { inner_->layout(p, w, h); }
    QStringList dataControls() const override { return inner_->dataControls(); }
    void bind(PanelHost& host) override { inner_->bind(host); }
    bool mayOpen() override { ++calls_.mayOpen; return inner_->mayOpen(); }
    void load() override { ++calls_.load; inner_->load(); }
    void finish() override { ++calls_.finish; inner_->finish(); }

private:
    std::unique_ptr<Form2Panel> inner_;
    Calls& calls_;
};

// A school with students and teachers, its main window connected, shown and
// usable as after a start-up, every panel counted.
struct Driven {
    SchoolFixture school{{"语文", "数学"}, {"2004"}, {"2004级01班", "2004级02班"}};
    Calls calls[9];
    std::unique_ptr<Form2> window;

    Driven() {
        auto db = school.db();
        for (int i = 1; i <= 3; ++i)
            db->insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号"},
                          {QStringLiteral("2004000%1").arg(i), "2004", "01", QStringLiteral("学生%1").arg(i),
                           QStringLiteral("00%1").arg(i)});
        // A teacher whose slots have a gap, closed up when the teacher panel is left.
        db->insertRow("教师表", {"姓名", "任课班级1", "科目1", "任课班级3", "科目3"},
                      {"张老师", "2004级01班", "语文", "2004级02班", "语文"});
        state().StudentCount = 3;
        std::vector<std::unique_ptr<Form2Panel>> panels;
        for (auto& p : makeMainWindowPanels()) {
            const int i = p->index();
            panels.push_back(std::make_unique<Counted>(std::move(p), calls[i]));
        }
        window = makeMainWindow(std::move(panels));
        window->ConnectDataControls();
        for (int i = 1; i <= 8; ++i)
            window->control(QStringLiteral("Command%1").arg(i))->setEnabled(true);
        window->resize(1200, 800);
        window->show();
        QCoreApplication::processEvents();
    }
    Form2& w() { return *window; }

    // Gives the panel's data controls a record set, as its own work would.
    void openDataControlsOf(int panel) {
        for (const QString& name : w().panel(panel)->dataControls()) {
            auto& dc = w().anyDataControl(name);
            if (dc.recordset())
                continue;
            dc.setRecordSource(name == "Ad2" || name == "Ad41" ? "教师表" : name == "Ad4" ? "年级表" : "成绩表");
            dc.refresh();
        }
    }

    void clickButton(int index) {
        QTest::mouseClick(w().control<QPushButton>(QStringLiteral("Command%1").arg(index)), Qt::LeftButton);
    }
    // Opens the menu from the menu bar and clicks the item, as a person does.
    void chooseMenuItem(const QString& menuName, const QString& item) {
        QMenu* menu = w().findChild<QMenu*>(menuName);
        QMenuBar* bar = w().menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
        ASSERT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, 2000)) << menuName.toStdString();
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(w().menuItem(item)).center());
        QCoreApplication::processEvents();
    }
};

struct Opening {
    int panel;
    const char* menu;
    const char* item;
};

// The buttons in their row order, each with its menu twin.
const Opening kOpenings[] = {
    {1, "MenuEDIT", "MenuStudent"}, {2, "MenuEDIT", "Menuteacher"}, {3, "MenuEDIT", "MenuKh"},
    {4, "MenuEDIT", "MenuZf"},      {8, "MenuEDIT", "MenuCj"},      {5, "MenuEDIT", "MenuJs"},
    {6, "MeuLook", "MenuCk"},       {7, "MeuLook", "MenuJf"},
};

} // namespace

TEST(PanelInterface, EveryButtonAndMenuTwinFinishesThePanelLeftAndOpensItsOwnOnce) {
    Driven d;
    DialogDouble dialogs;
    int shown = 0;   // the panel showing before each opening
    for (const Opening& o : kOpenings) {
        for (bool byMenu : {false, true}) {
            SCOPED_TRACE(testing::Message() << "panel " << o.panel << (byMenu ? " by " : " by button ") << o.item);
            if (shown)
                d.openDataControlsOf(shown);
            for (Calls& c : d.calls)
                c = {};
            byMenu ? d.chooseMenuItem(o.menu, o.item) : d.clickButton(o.panel);

            EXPECT_EQ(d.w().visiblePanel(), o.panel);
            for (int p = 1; p <= 8; ++p) {
                EXPECT_EQ(d.calls[p].finish, p == shown ? 1 : 0) << "finish of " << p;
                EXPECT_EQ(d.calls[p].mayOpen, p == o.panel ? 1 : 0) << "mayOpen of " << p;
                EXPECT_EQ(d.calls[p].load, p == o.panel ? 1 : 0) << "load of " << p;
            }
            // The panel left let go of its record sets.
            if (shown && shown != o.panel) {
                for (const QString& name : d.w().panel(shown)->dataControls())
                    EXPECT_EQ(d.w().anyDataControl(name).recordset(), nullptr) << name.toStdString();
            }
            shown = o.panel;
        }
    }
    EXPECT_TRUE(dialogs.shown().empty());
    // What the finishing work of the panels left stored: the student count, the closed-up slots.
    EXPECT_EQ(ReadSchoolSettings(d.school.folder())->studentCount, 3);
    const auto teacherSlots = d.school.db()->query("select 任课班级2, 任课班级3 from 教师表");
    ASSERT_EQ(teacherSlots.size(), 1u);
    EXPECT_EQ(teacherSlots[0].value(0).toString(), "2004级02班");
    EXPECT_TRUE(teacherSlots[0].value(1).isNull());

    // 完成 of the last panel brings the home panel back.
    d.calls[7] = {};
    QTest::mouseClick(d.w().control<QPushButton>("Comout_6"), Qt::LeftButton);
    EXPECT_EQ(d.w().visiblePanel(), 0);
    EXPECT_EQ(d.calls[7].finish, 1);
}

namespace {

// A panel the frame has never heard of, in place of the mark-entry panel.
class StandInPanel : public QObject, public Form2Panel {
public:
    explicit StandInPanel(QString lookFor = "La99") : lookFor_(std::move(lookFor)) {}
    int index() const override { return 8; }
    const std::vector<form2::ControlDesign>& designs() const override {
        using form2::Kind;
        static const std::vector<form2::ControlDesign> c = {
            {"Frame99", Kind::Frame, "Frame1_8", "", form2::R(120, 120, 3000, 2000)},
            {"La99", Kind::Label, "Frame99", "", form2::Laid},
            {"Comout_7", Kind::CommandButton, "Frame1_8", "完成", form2::R(3240, 120, 735, 375)},
            {"Ad99", Kind::DataControl, "Frame1_8", "", form2::Laid},
        };
        return c;
    }
    void layout(form2::LayoutPass& p, double wp, double hp) const override {
        p.put("La99", 120, 240, 1200, 255);
        p.put("Ad99", 120, hp - 600, wp - 240, 375);
    }
    QStringList dataControls() const override { return {"Ad99"}; }
    void bind(PanelHost& host) override {
        host_ = &host;
        label_ = host.controlsOf(*this).get<QLabel>(lookFor_);
        ad99_ = &host.controlsOf(*this).data("Ad99");
    }
    void load() override {
        label_->setText("opened");
        ad99_->setRecordSource("成绩表");
        ad99_->refresh();
    }
    void finish() override {
        label_->setText("finished");
        form2::emptyDataControl(*ad99_);
    }

    PanelHost* host_ = nullptr;
    QLabel* label_ = nullptr;
    platform::db::DataControl* ad99_ = nullptr;

private:
    QString lookFor_;
};

std::vector<std::unique_ptr<Form2Panel>> panelsWith(std::unique_ptr<Form2Panel> standIn) {
    std::vector<std::unique_ptr<Form2Panel>> panels;
    for (auto& p : makeMainWindowPanels())
        if (p->index() != standIn->index())
            panels.push_back(std::move(p));
    panels.push_back(std::move(standIn));
    return panels;
}

} // namespace

TEST(PanelInterface, AStandInPanelOpensLaysOutAndFinishesThroughTheInterfaceAlone) {
    SchoolFixture school;
    auto standIn = std::make_unique<StandInPanel>();
    StandInPanel& panel = *standIn;
    auto window = makeMainWindow(panelsWith(std::move(standIn)));
    Form2& w = *window;
    w.ConnectDataControls();   // its data control is connected with the window's
    EXPECT_FALSE(w.anyDataControl("Ad99").connectionString().isEmpty());
    w.control("Command8")->setEnabled(true);
    w.resize(1000, 700);
    w.show();
    QCoreApplication::processEvents();

    EXPECT_EQ(panel.label_->geometry(), platform::twipsRect(120, 240, 1200, 255));
    const QWidget* frame = w.control("Frame1_8");
    EXPECT_EQ(w.control("Ad99")->geometry().bottom() + 1,
              platform::twipsToPixels(platform::pixelsToTwips(frame->height()) - 600 + 375));

    QTest::mouseClick(w.control<QPushButton>("Command8"), Qt::LeftButton);
    EXPECT_EQ(w.visiblePanel(), 8);
    EXPECT_EQ(panel.label_->text(), "opened");
    ASSERT_NE(w.anyDataControl("Ad99").recordset(), nullptr);

    QTest::mouseClick(w.control<QPushButton>("Comout_7"), Qt::LeftButton);
    EXPECT_EQ(w.visiblePanel(), 0);
    EXPECT_EQ(panel.label_->text(), "finished");
    EXPECT_EQ(w.anyDataControl("Ad99").recordset(), nullptr);
}

TEST(PanelInterface, APanelFindsOnlyItsOwnControlsAndAWrongNameStopsTheBuild) {
    // Misspelt, or the name of a control of another panel: both fail while the window is built.
    for (const char* name : {"La98", "Combo1"}) {
        SCOPED_TRACE(name);
        EXPECT_THROW(makeMainWindow(panelsWith(std::make_unique<StandInPanel>(name))), MissingControl);
    }
    // A second panel on a taken index is refused.
    auto w = makeMainWindow();
    EXPECT_THROW(w->addPanel(std::make_unique<StandInPanel>()), std::logic_error);
}

TEST(PanelInterface, LockLevelZeroLeavesAnOpenAdvancedStudentWindowUsable) {
    SchoolFixture school;
    auto window = makeMainWindow();
    Form2& w = *window;
    w.ConnectDataControls();
    w.menuItem("MenuUPstudent")->trigger();
    auto* form12 = w.findChild<Form12*>();
    ASSERT_NE(form12, nullptr);

    ApplyLockLevel(&w, 0, false);
    // The main window's own buttons and menus are locked ...
    EXPECT_FALSE(w.control("Command1")->isEnabled());
    EXPECT_FALSE(w.control("Command3")->isEnabled());
    EXPECT_FALSE(w.menuItem("MenuEDIT")->isEnabled());
    EXPECT_TRUE(w.menuItem("Help")->isEnabled());
    // ... the window it owns keeps its own Command1 and Command3.
    EXPECT_TRUE(form12->Command1->isEnabled());
    EXPECT_TRUE(form12->Command3->isEnabled());
    form12->close();
}
