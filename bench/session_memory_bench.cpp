// Measures what one session of the grade program keeps after each run of a
// command, on a school of 3,024 students (3 grade levels of 18 classes, 9
// subjects): forty runs of 生成网页 (58 pages) and forty of 导出到文本文件
// (the window opened, all of 成绩表 exported, the window closed) through the
// main window's menus. The growth a run is taken over the second twenty runs,
// when every cache that fills once is full: the anonymous memory of the process
// and the bytes the heap has handed out. First with every dialog answered by
// the dialog service at once (the program's own part, held to the goal), then
// with the toolkit's dialogs answered as a person answers them, then the
// toolkit's save dialog opened and cancelled, beside a bare QFileDialog: what
// those keep beyond the first part is the toolkit's. A toolkit dialog is
// answered once it is drawn, as a person sees it. Runs offscreen unless
// QT_QPA_PLATFORM says otherwise (xcb on a display shows the desktop case).
// Not timed. Exits 2 when a command of the program keeps 5 KB or more a run.
//
// `session_memory_bench --profile CASE RUNS` runs one case alone for a heap
// profiler (heaptrack, massif): the difference between the reports of two
// counts of runs is what a run keeps, by the call stack that allocated it.

#include "bench/support/bench_school.h"
#include "bench/support/quiet_dialogs.h"
#include "common/program_state.h"
#include "grades/app/main_window.h"
#include "grades/frame/Form2.h"
#include "platform/db/database.h"
#include "platform/ui/application.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/fonts.h"
#include "platform/ui/style.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <functional>
#include <malloc.h>

namespace {

constexpr int kRuns = 40;
constexpr double kGoalBytes = 5 * 1024;

struct Memory {
    double anonymous = 0;   // bytes of the process's anonymous pages
    double heap = 0;        // bytes the heap has handed out and not got back
};

Memory now() {
    Memory m;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("RssAnon:"))
                m.anonymous = line.mid(8).trimmed().split(' ').value(0).toDouble() * 1024;
    const struct mallinfo2 mi = mallinfo2();
    m.heap = double(mi.uordblks + mi.hblkhd);
    return m;
}

// What is left of every window and deferred deletion once a run is over.
void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

struct Growth {
    double anonymous = 0, heap = 0;   // bytes a run over the second half
};

// With --profile CASE RUNS, only that case runs, that many times, and the
// process then leaves at once, skipping every destructor: a heap profiler
// reports all still held as not freed, and the difference between two counts
// of runs is what the runs between them keep.
QString g_profileCase;
int g_profileRuns = 0;

Growth measure(const char* name, const std::function<void()>& run) {
    if (g_profileRuns > 0) {
        if (g_profileCase != QLatin1String(name))
            return {};
        for (int i = 1; i <= g_profileRuns; ++i) {
            run();
            settle();
            std::printf("run %d: heap %.1f KB\n", i, now().heap / 1024);
        }
        std::fflush(nullptr);
        std::_Exit(0);
    }
    Memory half;
    for (int i = 1; i <= kRuns; ++i) {
        run();
        settle();
        if (i == kRuns / 2)
            half = now();
    }
    const Memory end = now();
    const double runs = kRuns - kRuns / 2;
    return {(end.anonymous - half.anonymous) / runs, (end.heap - half.heap) / runs};
}

// Answers every save dialog with one file and every question with yes.
struct Answers : bench::QuietDialogs {
    QString file;
    platform::MsgResult message(const QString&, platform::MsgButtons buttons, const QString&,
                                platform::MsgIcon) override {
        return buttons == platform::MsgButtons::YesNo ? platform::MsgResult::Yes : platform::MsgResult::Ok;
    }
    std::optional<QString> saveFile(const platform::FileRequest&) override { return file; }
};

// Whether a dialog is on the screen as a person sees it: shown, its file list
// filled, and drawn with every picture on it. Answered sooner, a dialog may
// close before it was ever drawn, and what drawing keeps goes unmeasured.
bool seen(QWidget* w) {
    if (!w || !w->isVisible() || !w->windowHandle() || !w->windowHandle()->isExposed())
        return false;
    if (auto* d = qobject_cast<QFileDialog*>(w)) {
        auto* list = d->findChild<QListView*>(QStringLiteral("listView"));
        auto* files = d->findChild<QFileSystemModel*>();
        if (!list || !list->model() || !files)
            return false;
        const bool toList =
            !QDir(d->directory()).entryList(files->nameFilters(), QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty();
        if (toList && list->model()->rowCount(list->rootIndex()) == 0)
            return false;
    }
    w->repaint();
    return true;
}

// Answers the toolkit's own dialogs as a person would, while a run lasts, once
// each is seen: the save dialog with the file (or cancelled, without one), a
// question with yes, a message with OK.
struct PersonAnswering {
    QTimer timer;
    explicit PersonAnswering(const QString& file = {}) {
        QObject::connect(&timer, &QTimer::timeout, [file] {
            QWidget* w = QApplication::activeModalWidget();
            if (!seen(w))
                return;
            auto* d = qobject_cast<QFileDialog*>(w);
            if (d && !file.isEmpty()) {
                // Typed into the name box, as selectFile() leaves a focused box alone.
                if (auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                    name->setText(file);
                else
                    d->selectFile(file);
                QMetaObject::invokeMethod(d, "accept", Qt::QueuedConnection);
            } else if (auto* box = qobject_cast<QMessageBox*>(w)) {
                for (QAbstractButton* b : box->buttons())
                    if (box->buttonRole(b) == QMessageBox::YesRole || box->buttonRole(b) == QMessageBox::AcceptRole) {
                        QMetaObject::invokeMethod(b, &QAbstractButton::click, Qt::QueuedConnection);
                        return;
                    }
                box->close();
            } else {
                w->close();
            }
        });
        timer.start(5);
    }
};

bool printRow(const char* what, const Growth& g, bool counted) {
    const bool met = g.anonymous < kGoalBytes && g.heap < kGoalBytes;
    std::printf("%-44s %9.1f %9.1f   %s\n", what, g.anonymous / 1024, g.heap / 1024,
                counted ? (met ? "met (< 5 KB)" : "MISSED (< 5 KB)") : "the toolkit's");
    return met || !counted;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Started as the program starts: its heap settings, style, fonts and texts.
    platform::Application app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 4 && args.at(1) == QLatin1String("--profile")) {
        g_profileCase = args.at(2);
        g_profileRuns = args.at(3).toInt();
    }
    if (args.size() > 1 && g_profileRuns <= 0) {
        std::fprintf(stderr, "usage: session_memory_bench [--profile pages|text|pages-dialogs|text-dialogs|"
                             "save-dialog|bare-dialog RUNS]\n");
        return 1;
    }
    platform::installSystemStyle();
    platform::installFontSubstitutions();
    platform::installChineseQtTexts();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("学生成绩库.mdb"));
    if (!bench::createScoredSchool(dir.path(), path))
        return 1;
    {
        // 3 x 18 classes of 56: the size of school the growth was seen on.
        auto db = platform::db::Database::open(path, state().DatabasePassword);
        db->execute(QStringLiteral("delete from 成绩表 where 班 > '18'"));
        db->execute(QStringLiteral("delete from 班级表 where 班 > '18'"));
    }
    QDir(dir.path()).mkdir(QStringLiteral("out"));
    const QString out = dir.filePath(QStringLiteral("out"));

    Answers answers;
    platform::setDialogService(&answers);
    auto w = makeMainWindow(PanelBuild::WhenFirstNeeded);
    w->ConnectDataControls();
    w->show();
    settle();

    const QString pagesFile = out + QStringLiteral("/Index.htm"), textFile = out + QStringLiteral("/成绩.txt");
    auto makePages = [&] { w->menuItem(QStringLiteral("MakeHTM"))->trigger(); };
    auto exportText = [&] {
        w->menuItem(QStringLiteral("menuOUTtxt"))->trigger();
        QWidget* form = w->findChild<QWidget*>(QStringLiteral("Form16"), Qt::FindDirectChildrenOnly);
        if (!form) {
            std::fprintf(stderr, "the export window did not open\n");
            std::exit(1);
        }
        form->findChild<QPushButton*>(QStringLiteral("Command2"))->click();
        form->close();
    };

    // The pages are written once first: every dialog then opens on the same
    // folder of 58 pages, in the profile of a single case too.
    answers.file = pagesFile;
    makePages();
    settle();
    if (QDir(out).entryList({QStringLiteral("*.htm")}, QDir::Files).size() != 58) {
        std::fprintf(stderr, "not every page was written\n");
        return 1;
    }

    // The program's own part: every dialog answered by the service at once.
    const Growth pages = measure("pages", makePages);
    answers.file = textFile;
    const Growth text = measure("text", exportText);
    if (g_profileRuns == 0 && QFile(textFile).size() < 3024 * 40) {
        std::fprintf(stderr, "the export was not written\n");
        return 1;
    }

    // The same with the toolkit's dialogs, answered as a person answers them.
    platform::setDialogService(nullptr);
    Growth realPages, realText;
    {
        PersonAnswering person(pagesFile);
        realPages = measure("pages-dialogs", makePages);
    }
    QFile::remove(textFile);
    {
        PersonAnswering person(textFile);
        realText = measure("text-dialogs", exportText);
    }
    if (g_profileRuns == 0 && QFile(textFile).size() < 3024 * 40) {
        std::fprintf(stderr, "the export through the toolkit's dialogs was not written\n");
        return 1;
    }

    // The toolkit's save dialog, through the program's dialog service and bare.
    platform::FileRequest request;
    request.fileName = QStringLiteral("Index.htm");
    request.filter = QStringLiteral("网页(*.htm)|*.htm|所有文件(*.*)|*.*");
    request.initialFolder = out;
    PersonAnswering cancelling;
    const Growth service = measure("save-dialog", [&] { platform::dialogs().saveFile(request); });
    const Growth bare = measure("bare-dialog", [&] {
        QFileDialog d(w.get(), QStringLiteral("另存为"), out);
        d.setAcceptMode(QFileDialog::AcceptSave);
        d.exec();
    });

    std::printf("on %s, accessibility %s\n", qPrintable(QGuiApplication::platformName()),
                QAccessible::isActive() ? "on" : "off");
    std::printf("%-44s %9s %9s\n", "KB kept a run, runs 21-40", "anonymous", "heap");
    bool met = printRow("生成网页 (58 pages)", pages, true);
    met = printRow("导出到文本文件 (3,024 rows)", text, true) && met;
    printRow("save dialog opened and cancelled", service, false);
    printRow("bare QFileDialog opened and cancelled", bare, false);
    printRow("生成网页, the toolkit's dialogs answered", realPages, false);
    printRow("导出到文本文件, the toolkit's dialogs answered", realText, false);
    std::printf(met ? "goals met\n" : "goal missed\n");
    w.reset();
    return met ? 0 : 2;
}
