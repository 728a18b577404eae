// The program's main window builds a hidden panel only when it is first
// opened or what it offers is first asked for. Built late, a panel must be
// the same as one built with the window: same controls, places, colours and
// states, and data controls connected to the school.
#include "common/program_state.h"
#include "grades/app/main_window.h"
#include "grades/entry/student_class_choice.h"
#include "grades/examno/exam_numbers.h"
#include "grades/frame/Form2.h"
#include "grades/results/view/results_choosers.h"
#include "platform/db/datacontrol.h"
#include "support/dialog_double.h"
#include "support/school_fixture.h"

#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct School {
    SchoolFixture school{{"语文", "数学"}, {"2004"}, {"2004级01班", "2004级02班"}};
    School() {
        auto db = school.db();
        for (int i = 1; i <= 3; ++i)
            db->insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号"},
                          {QStringLiteral("2004000%1").arg(i), "2004", "01", QStringLiteral("学生%1").arg(i),
                           QStringLiteral("00%1").arg(i)});
        db->insertRow("教师表", {"姓名", "任课班级1", "科目1"}, {"张老师", "2004级01班", "语文"});
    }
};

// Starts the window as the program does, the administrator logging in.
void start(Form2& w, DialogDouble& d) {
    d.runModalWith([](QDialog&) {
        state().IsAdministrator = -1;
        return 1;
    });
    ASSERT_TRUE(w.startUp(nullptr));
    QCoreApplication::processEvents();
}

QWidget* frame(Form2& w, int panel) { return w.control(QStringLiteral("Frame1_%1").arg(panel)); }

// What a person sees of a panel's controls and what its data controls reach.
QStringList looks(Form2& w, int panel) {
    QStringList out;
    for (QWidget* c : frame(w, panel)->findChildren<QWidget*>()) {
        const QString name = c->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
            continue;
        const QPalette p = c->palette();
        QString line = name + QStringLiteral(" %1,%2 %3x%4").arg(c->x()).arg(c->y()).arg(c->width()).arg(c->height());
        for (auto role : {QPalette::Window, QPalette::WindowText, QPalette::Base, QPalette::Text, QPalette::Button,
                          QPalette::ButtonText})
            line += QLatin1Char(' ') + p.color(role).name();
        line += c->isVisible() ? QStringLiteral(" shown") : QStringLiteral(" hidden");
        line += c->isEnabled() ? QStringLiteral(" enabled") : QStringLiteral(" disabled");
        line += QLatin1Char(' ') + c->font().toString();
        out << line;
    }
    for (const QString& name : w.panel(panel)->dataControls())
        out << name + QStringLiteral(" -> ") + w.anyDataControl(name).connectionString();
    out.sort();
    return out;
}

bool anyBuilt(const Form2& w) {
    for (int p = 1; p <= 8; ++p)
        if (w.isBuilt(p))
            return true;
    return false;
}

} // namespace

TEST(PanelsWhenNeeded, APanelBuiltWhenFirstOpenedIsTheOneBuiltWithTheWindow) {
    School s;
    DialogDouble d;
    const std::unique_ptr<Form2> lateWindow = makeMainWindow(PanelBuild::WhenFirstNeeded);
    Form2& late = *lateWindow;
    EXPECT_FALSE(anyBuilt(late));
    start(late, d);
    // Nothing of a hidden panel is built for the login or the home panel.
    EXPECT_FALSE(anyBuilt(late));
    for (int p = 1; p <= 8; ++p)
        EXPECT_TRUE(frame(late, p)->findChildren<QWidget*>().isEmpty()) << "panel " << p;

    const std::unique_ptr<Form2> builtWindow = makeMainWindow();
    Form2& built = *builtWindow;
    start(built, d);
    ASSERT_EQ(late.size(), built.size());

    // The row order of the buttons: each opening finishes the panel before.
    for (int p : {1, 2, 3, 4, 8, 5, 6, 7}) {
        SCOPED_TRACE(testing::Message() << "panel " << p);
        for (Form2* w : {&late, &built}) {
            QTest::mouseClick(w->control<QPushButton>(QStringLiteral("Command%1").arg(p)), Qt::LeftButton);
            QCoreApplication::processEvents();
            EXPECT_EQ(w->visiblePanel(), p);
        }
        EXPECT_TRUE(late.isBuilt(p));
        const QStringList seen = looks(late, p);
        EXPECT_GT(seen.size(), 3);
        EXPECT_EQ(seen, looks(built, p));
    }
}

TEST(PanelsWhenNeeded, AskingForWhatAPanelOffersBuildsThatPanelOnly) {
    School s;
    const std::unique_ptr<Form2> window = makeMainWindow(PanelBuild::WhenFirstNeeded);
    Form2& w = *window;
    struct Case {
        std::function<void()> ask;
        int panel;
    };
    const Case cases[] = {
        {[&w] { w.offered<results::ResultsChoosers>().forgetClasses(); }, 6},
        {[&w] { (void)w.offered<examno::ExamNumbers>().viewerGroup(); }, 3},
        {[&w] { (void)w.offered<entry::StudentClassChoice>().chosenClass(); }, 1},
    };
    std::set<int> built;
    for (const Case& c : cases) {
        c.ask();
        built.insert(c.panel);
        for (int p = 1; p <= 8; ++p)
            EXPECT_EQ(w.isBuilt(p), built.count(p) == 1) << "panel " << p << " after asking panel " << c.panel;
    }
    // Asked again, the same panel answers: nothing is built twice.
    const int controls = int(w.findChildren<QWidget*>().size());
    cases[0].ask();
    EXPECT_EQ(int(w.findChildren<QWidget*>().size()), controls);
}
