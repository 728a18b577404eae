// Every window built so far shows each caption whole at its design size, with
// the fonts the program uses. A window added later is one more row of
// kWindows. Setting WINDOW_SHOTS to a folder saves a picture of each view there.

#include "common/program_state.h"
#include "common/settings_files.h"
#include "grades/app/main_window.h"
#include "grades/entry/Form12.h"
#include "grades/frame/Form1.h"
#include "grades/frame/Form17.h"
#include "grades/frame/Form2.h"
#include "grades/frame/Form8.h"
#include "grades/frame/colour_scheme.h"
#include "grades/frame/frmAbout.h"
#include "grades/frame/frmLogin.h"
#include "grades/calc/Dialog1.h"
#include "grades/examno/Form4.h"
#include "grades/frame/form2_panel.h"
#include "grades/maintenance/Dialog.h"
#include "grades/maintenance/Form10.h"
#include "grades/maintenance/Form14.h"
#include "grades/maintenance/Form15.h"
#include "grades/maintenance/Form7.h"
#include "grades/results/export/Form16.h"
#include "grades/results/bands/Form6.h"
#include "grades/results/print/Form11.h"
#include "grades/results/print/Form13.h"
#include "grades/results/print/Form5.h"
#include "support/dialog_double.h"
#include "support/login_script.h"
#include "support/mark_school.h"
#include "platform/ui/fonts.h"
#include "platform/ui/twips.h"
#include "support/caption_fit.h"
#include "support/school_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Called once for each view of a window: its name ("" for a window of one
// view) and the window as it then stands.
using Visit = std::function<void(const QString& view, QWidget& window)>;

struct WindowRow {
    const char* name;
    std::function<void(const Visit&)> views;
    // Controls whose caption is laid out over more than one line.
    QStringList wrapsOnPurpose = {};
    // Labels that show a count of students, measured at the largest count.
    QStringList counters = {};
};

// The main window maximised on the smallest screens a school uses (less the
// caption bar and the task bar), in both colour schemes.
void mainWindowViews(const Visit& visit) {
    const std::unique_ptr<Form2> window = makeMainWindow();
    Form2& w = *window;
    w.RemovePanelBorders();
    w.show();
    for (QSize screen : {QSize(800, 600), QSize(1024, 768)}) {
        w.resize(screen.width(), screen.height() - 56);
        w.Form_Resize();
        for (ColourScheme scheme : {ColourScheme::Plain, ColourScheme::Colourful}) {
            ApplyColourScheme(&w, scheme);
            for (int panel = 0; panel <= 8; ++panel) {
                w.ShowPanel(panel);
                visit(QStringLiteral("%1x%2 panel %3 %4")
                          .arg(screen.width()).arg(screen.height()).arg(panel)
                          .arg(scheme == ColourScheme::Plain ? "plain" : "colourful"),
                      w);
            }
        }
    }
}

// The panels that show a position or a count, opened by their buttons on a
// school with students, rooms and teachers, at the smaller screen.
void mainWindowDataViews(const Visit& visit) {
    SchoolFixture school{{"语文", "数学"}, {"2004", "2005"}, {"2004级01班", "2005级01班"}};
    seedMarkSchool(*school.db());
    for (const char* teacher : {"王", "李", "赵"})
        school.db()->insertRow("教师表", {"姓名"}, {QString::fromUtf8(teacher)});
    const std::unique_ptr<Form2> window = makeMainWindow();
    Form2& w = *window;
    w.ConnectDataControls();
    w.RemovePanelBorders();
    w.show();
    w.resize(800, 600 - 56);
    w.Form_Resize();
    DialogDouble dialogs;
    const std::pair<const char*, void (Form2::*)()> panels[] = {
        {"student", &Form2::Command1_Click}, {"teacher", &Form2::Command2_Click},
        {"exam numbers", &Form2::Command3_Click}, {"full marks", &Form2::Command4_Click},
        {"marks", &Form2::Command8_Click}, {"results", &Form2::Command6_Click},
        {"teacher scores", &Form2::Command7_Click},
    };
    w.setSettingsValue(7, "1");   // exam numbers made: the exam panel opens on their list (查看)
    for (const auto& [name, open] : panels) {
        (w.*open)();
        visit(QStringLiteral("with rows, ") + QString::fromLatin1(name), w);
    }
}

void wizardViews(const Visit& visit) {
    QTemporaryDir dir;
    setProgramFolder(dir.path());
    {
        Form1 w;
        w.Form_Load();
        w.show();
        for (int step = 0; step < 5; ++step) {
            visit(QStringLiteral("step %1").arg(step + 1), w);
            w.Command16->click();
        }
    }
    setProgramFolder({});
}

void studentManagerViews(const Visit& visit) {
    SchoolFixture school;
    const std::unique_ptr<Form2> main = makeMainWindow();
    main->ConnectDataControls();
    Form12* w = Form12::showFor(main.get());
    visit({}, *w);
    w->close();
}

void loginViews(const Visit& visit) {
    resetState();
    frmLogin w(nullptr);
    w.show();
    visit(QStringLiteral("login"), w);
    w.Command1_Click();
    visit(QStringLiteral("password"), w);
    resetState();
}

void otherDatabaseViews(const Visit& visit) {
    QTemporaryDir dir;
    setProgramFolder(dir.path());
    state().DatabasePath = dir.filePath(QStringLiteral("学生成绩库.mdb"));
    QWidget owner;
    owner.show();
    Form17* w = Form17::showFor(&owner);
    visit({}, *w);
    w->close();
    resetState();
    setProgramFolder({});
}

void classDialogViews(const Visit& visit) {
    Dialog w(nullptr);
    w.show();
    for (Dialog::Task task : {Dialog::AddGrade, Dialog::DeleteClass, Dialog::AddClass, Dialog::DeleteGrade}) {
        w.showFrame(task);
        visit(QStringLiteral("frame %1").arg(int(task)), w);
    }
}

// A window the main window opens from a menu item, over a small school.
template <class W> std::function<void(const Visit&)> fromMenu(const char* item) {
    return [item](const Visit& visit) {
        SchoolFixture school;
        const std::unique_ptr<Form2> main = makeMainWindow();
        main->ConnectDataControls();
        state().IsAdministrator = -1;
        DialogDouble dialogs;
        main->menuItem(QString::fromLatin1(item))->trigger();
        W* w = main->findChild<W*>();
        ASSERT_NE(w, nullptr) << item;
        visit({}, *w);
        w->close();
    };
}

// An import window, behind the backup question and the login.
template <class W> std::function<void(const Visit&)> afterLogin(const char* item) {
    return [item](const Visit& visit) {
        SchoolFixture school;
        const std::unique_ptr<Form2> main = makeMainWindow();
        main->ConnectDataControls();
        DialogDouble dialogs;
        dialogs.answerMessage(platform::MsgResult::Yes);
        scriptLogin(dialogs, state().DatabasePassword);
        main->menuItem(QString::fromLatin1(item))->trigger();
        W* w = main->findChild<W*>();
        ASSERT_NE(w, nullptr) << item;
        visit({}, *w);
        w->close();
    };
}

// The advanced view: settings, report and chart panes.
void bandViews(const Visit& visit) {
    SchoolFixture school;
    const std::unique_ptr<Form2> main = makeMainWindow();
    main->ConnectDataControls();
    DialogDouble dialogs;
    Form6* w = Form6::showFor(*main);
    w->Command1_Click();
    visit(QStringLiteral("settings"), *w);
    w->Command2_Click();
    visit(QStringLiteral("report"), *w);
    w->Command3_Click();
    visit(QStringLiteral("graph"), *w);
    w->close();
}

// The custom print: design and preview panes.
void customPrintViews(const Visit& visit) {
    SchoolFixture school;
    const std::unique_ptr<Form2> main = makeMainWindow();
    main->ConnectDataControls();
    DialogDouble dialogs;
    Form11 w(*main, main.get());
    w.show();
    visit(QStringLiteral("design"), w);
    w.MenuWin_Click();
    visit(QStringLiteral("preview"), w);
}

void checkListViews(const Visit& visit) {
    SchoolFixture school;
    const std::unique_ptr<Form2> main = makeMainWindow();
    main->ConnectDataControls();
    Form13* w = Form13::showFor(main.get());
    visit({}, *w);
    w->close();
}

// A window of a panel, built on the main window as its host.
template <class W, class... Args> void onHost(const Visit& visit) {
    SchoolFixture school;
    const std::unique_ptr<Form2> main = makeMainWindow();
    main->ConnectDataControls();
    if constexpr (std::is_constructible_v<W, PanelHost&, QWidget*>) {
        W w(*main, main.get());
        w.show();
        visit({}, w);
    } else {
        W w(*main);
        w.show();
        visit({}, w);
    }
}

// A window that reads the school as it opens.
template <class W> void overSchool(const Visit& visit) {
    SchoolFixture school;
    W w(nullptr);
    w.show();
    visit({}, w);
}

template <class W> void plainWindow(const Visit& visit) {
    W w;
    w.show();
    visit({}, w);
}

const WindowRow kWindows[] = {
    {"Form1", wizardViews, {"Label6", "Label10", "Label9"}},
    {"Form2", mainWindowViews, {"Option1", "Check51", "Check52", "Check54", "La77_2", "Latea2"}, {"la15"}},
    {"Form2Rows", mainWindowDataViews, {"Option1", "Check51", "Check52", "Check54", "La77_2", "Latea2"}, {"la15"}},
    {"Form12", studentManagerViews},
    {"frmLogin", loginViews},
    {"Form17", otherDatabaseViews},
    {"Form8", plainWindow<Form8>, {"Label2_0", "Label4"}},
    {"Dialog", classDialogViews, {"Label3", "Label5"}},
    {"Form7", fromMenu<maintenance::Form7>("fenban")},
    {"Form15", fromMenu<Form15>("menuJIanca")},
    {"Form10", afterLogin<Form10>("menuin2")},
    {"Form14", afterLogin<Form14>("menuin3")},
    {"Form6", bandViews},
    {"Form11", customPrintViews, {}, {"Label1"}},
    {"Form13", checkListViews},
    {"Dialog1", onHost<Dialog1>,
     {QStringLiteral("请设置上几次考试后数据备份的地方,以观查学生的进步情况和综合成绩的评定.") + QString(17, u' ') +
      QStringLiteral("路径限定在40个字符内。")}},
    {"Form5", onHost<Form5>},
    {"Form4", overSchool<Form4>},
    {"Form16", overSchool<Form16>},
    {"frmAbout", plainWindow<frmAbout>, {"lblDescription"}},
};

void PrintTo(const WindowRow& row, std::ostream* os) { *os << row.name; }

class WindowCaptions : public ::testing::TestWithParam<WindowRow> {
protected:
    void SetUp() override { platform::installFontSubstitutions(); }
};

TEST_P(WindowCaptions, EveryCaptionFitsAtTheDesignSize) {
    const WindowRow& row = GetParam();
    const QString shots = qEnvironmentVariable("WINDOW_SHOTS");
    QStringList misfits;
    QSet<QString> wrapping;
    row.views([&](const QString& view, QWidget& window) {
        QCoreApplication::processEvents();
        if (!shots.isEmpty()) {
            const QString file = QString::fromUtf8(row.name) + (view.isEmpty() ? QString() : u'_' + view);
            window.grab().save(QDir(shots).filePath(QString(file).replace(u' ', u'_') + QStringLiteral(".png")));
        }
        // Every data-control bar and counter as a school of 10,080 students shows it.
        showLargestCounts(window, row.counters);
        QCoreApplication::processEvents();
        if (!shots.isEmpty()) {
            const QString file = QString::fromUtf8(row.name) + (view.isEmpty() ? QString() : u'_' + view);
            window.grab().save(QDir(shots).filePath(QString(file).replace(u' ', u'_') + QStringLiteral("_counts.png")));
        }
        for (const CaptionMisfit& m : captionMisfits(window, row.wrapsOnPurpose)) {
            const QString line =
                m.runsInto.isEmpty()
                    ? QStringLiteral("%1 \"%2\" needs %3x%4 in %5 line(s), has %6x%7")
                          .arg(m.control, m.text).arg(m.needed.width()).arg(m.needed.height())
                          .arg(m.lines).arg(m.room.width()).arg(m.room.height())
                    : QStringLiteral("%1 \"%2\" runs into %3").arg(m.control, m.text, m.runsInto);
            if (!misfits.contains(line)) misfits << line;
        }
        const QStringList needless = needlessWraps(window, row.wrapsOnPurpose);
        for (const QString& n : row.wrapsOnPurpose)
            if (!needless.contains(n)) wrapping.insert(n);
    });
    EXPECT_TRUE(misfits.isEmpty()) << misfits.join(u'\n').toStdString();
    // The list of wrapping captions keeps none that fits on one line.
    for (const QString& n : row.wrapsOnPurpose) EXPECT_TRUE(wrapping.contains(n)) << n.toStdString();
}

// Tests and the accessibility tree find every control by its name.
TEST_P(WindowCaptions, EveryControlCarriesItsName) {
    const WindowRow& row = GetParam();
    QStringList unnamed;
    row.views([&](const QString&, QWidget& window) {
        for (const QString& c : unnamedControls(window))
            if (!unnamed.contains(c)) unnamed << c;
    });
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowCaptions, ::testing::ValuesIn(kWindows),
                         [](const ::testing::TestParamInfo<WindowRow>& info) { return std::string(info.param.name); });

} // namespace
