// Subsystems reach another's panel only through what it offers: the main
// window is built and its menus work with the results and exam-number panels
// replaced by stand-ins that have none of their controls.
#include "common/program_state.h"
#include "grades/app/main_window.h"
#include "grades/examno/exam_numbers.h"
#include "grades/frame/Form2.h"
#include "grades/results/view/results_choosers.h"
#include "support/dialog_double.h"
#include "support/school_fixture.h"

#include <QAction>
#include <QDialog>
#include <gtest/gtest.h>

namespace {

// Only a label in its frame: no Combo9, Combo10, Combo12 or Com64.
class ResultsStandIn : public Form2Panel, public results::ResultsChoosers {
public:
    int index() const override { return 6; }
    const std::vector<form2::ControlDesign>& designs() const override {
        static const std::vector<form2::ControlDesign> c = {
            {"La96", form2::Kind::Label, "Frame1_6", "", form2::R(120, 120, 1200, 255)}};
        return c;
    }
    void layout(form2::LayoutPass&, double, double) const override {}
    void bind(PanelHost& host) override { host.offer<results::ResultsChoosers>(*this); }

    void forgetClasses() override { ++classesForgotten; classes.clear(); }
    void forgetRooms() override { ++roomsForgotten; }
    void offerEveryClass(const QStringList& labels) override { classes = labels; classes << "所有班级"; chosen = "所有班级"; }
    QStringList classChoices() const override { return classes; }
    QString chosenClass() const override { return chosen; }
    void showClass(const QString& label) override { shown << label; chosen = label; }
    QStringList roomChoices() const override { return {}; }
    QString chosenRoom() const override { return {}; }
    void showRoom(const QString&) override {}
    QString sortKey() const override { return "总分"; }
    void allowAdvancedView(bool) override {}

    int classesForgotten = 0, roomsForgotten = 0;
    QStringList classes, shown;
    QString chosen;
};

// Only a label in its frame: no Option5, Combo6 or Comkh4.
class ExamNumbersStandIn : public Form2Panel, public examno::ExamNumbers {
public:
    int index() const override { return 3; }
    const std::vector<form2::ControlDesign>& designs() const override {
        static const std::vector<form2::ControlDesign> c = {
            {"La93", form2::Kind::Label, "Frame1_3", "", form2::R(120, 120, 1200, 255)}};
        return c;
    }
    void layout(form2::LayoutPass&, double, double) const override {}
    void bind(PanelHost& host) override { host.offer<examno::ExamNumbers>(*this); }

    std::function<QString()> viewerGroup() const override { return [] { return QString("001考室"); }; }
    void exportByClass() override { ++exports; }

    int exports = 0;
};

} // namespace

TEST(PanelOffers, MenusOfOtherSubsystemsWorkWithPanelsLackingTheControlsTheyOnceNamed) {
    SchoolFixture school{{"语文"}, {"2004"}, {"2004级01班", "2004级02班"}};
    auto resultsOwned = std::make_unique<ResultsStandIn>();
    auto examOwned = std::make_unique<ExamNumbersStandIn>();
    ResultsStandIn& results = *resultsOwned;
    ExamNumbersStandIn& examNumbers = *examOwned;
    std::vector<std::unique_ptr<Form2Panel>> panels;
    for (auto& p : makeMainWindowPanels())
        if (p->index() != 3 && p->index() != 6)
            panels.push_back(std::move(p));
    panels.push_back(std::move(resultsOwned));
    panels.push_back(std::move(examOwned));
    const std::unique_ptr<Form2> window = makeMainWindow(std::move(panels));
    Form2& w = *window;
    w.ConnectDataControls();
    DialogDouble dialogs;

    // A class command empties the results view's choosers, asked through its interface.
    state().IsAdministrator = -1;
    dialogs.runModalWith([](QDialog&) { return 0; });   // cancelled
    w.menuItem("DeleBan")->trigger();
    EXPECT_EQ(results.classesForgotten, 1);
    EXPECT_EQ(results.roomsForgotten, 1);

    // 打印成绩 lists every class and grade level, then the preview walks the classes.
    w.menuItem("MenuPrintCJ")->trigger();
    EXPECT_EQ(results.classes, QStringList({"2004级", "2004级01班", "2004级02班", "所有班级"}));
    EXPECT_EQ(results.shown, QStringList({"2004级01班", "2004级02班", "所有班级"}));

    // 导出考号 by class goes to the exam-number panel's export.
    w.menuItem("outsj3")->trigger();
    EXPECT_EQ(examNumbers.exports, 1);
}

TEST(PanelOffers, AWindowWithoutAPanelOthersNeedIsRefusedWhileItIsBuilt) {
    std::vector<std::unique_ptr<Form2Panel>> panels;
    for (auto& p : makeMainWindowPanels())
        if (p->index() != 6)
            panels.push_back(std::move(p));
    EXPECT_THROW(makeMainWindow(std::move(panels)), MissingControl);
}
