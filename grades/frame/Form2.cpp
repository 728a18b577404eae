#include "grades/frame/Form2.h"

#include "common/data_connections.h"
#include "common/program_state.h"
#include "common/schema.h"
#include "common/settings_files.h"
#include "common/settings_rows.h"
#include "grades/frame/colour_scheme.h"
#include "grades/frame/form2_design.h"
#include "grades/frame/form2_resize.h"
#include "grades/frame/core/form2_startup.h"
#include "platform/dbui/datacontrolbar.h"
#include "platform/dbui/datagrid.h"
#include "platform/db/recordset.h"
#include "platform/text/values.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/twips.h"
#include "platform/ui/wrapping_buttons.h"

#include "grades/frame/frmLogin.h"
#include "grades/frame/lock_level.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace {

const QString kProgramName = QStringLiteral("Orbisca");

void place(QWidget& w, const form2::TwipsRect& r) {
    platform::placeTwips(w, static_cast<int>(std::lround(r.left)), static_cast<int>(std::lround(r.top)),
                         static_cast<int>(std::lround(r.width)), static_cast<int>(std::lround(r.height)));
}

// A member of the panel array. The start-up takes its border away; the
// caption is empty then, so nothing of the frame is left to draw.
class PanelFrame : public platform::Frame {
public:
    using platform::Frame::Frame;
    void setBorderless(bool borderless) {
        borderless_ = borderless;
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        if (!borderless_)
            platform::Frame::paintEvent(event);
    }

private:
    bool borderless_ = false;
};

} // namespace

void Form2::showDbError(const platform::db::DbError& e) {
    platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle, platform::MsgIcon::Warning);
}

Form2::Form2(QWidget* parent) : QMainWindow(parent), Adodc0_(this), Adodc1_(this) {
    setObjectName(QStringLiteral("Form2"));
    Adodc0_.setObjectName(QStringLiteral("Adodc0"));
    Adodc1_.setObjectName(QStringLiteral("Adodc1"));
    client_ = new QWidget(this);
    setCentralWidget(client_);
    client_->setMinimumSize(platform::twipsToPixels(static_cast<int>(form2::kMinClientWidth)),
                            platform::twipsToPixels(static_cast<int>(form2::kMinClientHeight)));
    buildControls();
    buildMenus();
    wireHandlers();
    platform::resizeTwips(*this, static_cast<int>(form2::kMinClientWidth),
                          static_cast<int>(form2::kMinClientHeight));
    client_->installEventFilter(this);
    Form_Resize();
}

Form2::~Form2() = default;

void Form2::RemovePanelBorders() {
    for (int i = 0; i <= 8; ++i) {
        auto* panel = static_cast<PanelFrame*>(control(QStringLiteral("Frame1_%1").arg(i)));
        panel->setTitle(QString());
        panel->setBorderless(true);
    }
}

void Form2::buildControls() {
    for (const auto& d : form2::controlDesigns())
        buildControl(d);
    // On a low window panels 1 to 8 reach over the button row: their own
    // controls stay usable there, and 完成 brings the buttons back.
    for (int i = 0; i <= 8; ++i)
        controls_.value(QStringLiteral("Frame1_%1").arg(i))->raise();
}

QWidget* Form2::buildControl(const form2::ControlDesign& d) {
    using form2::Kind;
    if (controls_.contains(d.name))
        throw std::logic_error("Form2: a second control named " + d.name.toStdString());
    QWidget* parent = d.container.isEmpty() ? client_ : controls_.value(d.container);
    if (!parent)
        throw std::logic_error("Form2: no container " + d.container.toStdString() + " for " + d.name.toStdString());
    QWidget* w = nullptr;
    switch (d.kind) {
    case Kind::Frame:
        w = d.name.startsWith(QLatin1String("Frame1_")) ? new PanelFrame(d.caption, parent)
                                                         : new platform::Frame(d.caption, parent);
        break;
    case Kind::Label: {
        auto* l = new platform::WrappingLabel(d.caption, parent);
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        w = l;
        break;
    }
    case Kind::TextBox: w = new QLineEdit(d.caption, parent); break;
    case Kind::MultiLineTextBox: w = new QPlainTextEdit(d.caption, parent); break;
    case Kind::CommandButton: w = new QPushButton(d.caption, parent); break;
    case Kind::ComboBox: w = new platform::ComboBox(parent); break;
    case Kind::ListBox: w = new platform::ListBox(parent); break;
    case Kind::CheckBox: {
        auto* c = new platform::WrappingCheckBox(d.caption, parent);
        c->setChecked(d.flags & form2::Checked);
        w = c;
        break;
    }
    case Kind::OptionButton: {
        auto* o = new platform::WrappingRadioButton(d.caption, parent);
        o->setChecked(d.flags & form2::Checked);
        w = o;
        break;
    }
    case Kind::DataGrid: w = new platform::db::DataGrid(parent); break;
    case Kind::DataControl: {
        auto* bar = new platform::db::DataControlBar(parent);
        bar->control().setObjectName(d.name);
        w = bar;
        break;
    }
    case Kind::PictureBox: {
        auto* f = new QFrame(parent);
        f->setFrameShape(QFrame::Box);
        w = f;
        break;
    }
    }
    w->setObjectName(d.name);
    if (!d.toolTip.isEmpty())
        w->setToolTip(d.toolTip);
    if (d.rect)
        place(*w, *d.rect);
    if (d.flags & form2::Hidden)
        w->setVisible(false);
    if (d.flags & form2::Disabled)
        w->setEnabled(false);
    controls_.insert(d.name, w);
    return w;
}

void Form2::addPanel(std::unique_ptr<Form2Panel> panel, PanelBuild build) {
    const int index = panel->index();
    if (index < 1 || index > 8 || this->panel(index))
        throw std::logic_error("Form2: panel index " + std::to_string(index) + " is not free");
    Form2Panel& added = *panel;
    panels_.push_back(std::move(panel));
    if (build == PanelBuild::WhenFirstNeeded) {
        unbuilt_.push_back(&added);
        return;
    }
    try {
        buildPanelControls(added);
    } catch (...) {
        panels_.pop_back();
        throw;
    }
}

bool Form2::isBuilt(int index) const {
    const Form2Panel* p = panel(index);
    return p && std::find(unbuilt_.begin(), unbuilt_.end(), p) == unbuilt_.end();
}

void Form2::buildPanel(int index) {
    Form2Panel* p = panel(index);
    const auto it = std::find(unbuilt_.begin(), unbuilt_.end(), p);
    if (!p || it == unbuilt_.end())
        return;
    unbuilt_.erase(it);
    buildPanelControls(*p);
    // What the window did to every panel at its start and since, done now
    // for this one: the colours chosen and the connection of its data controls.
    QWidget* frame = control(QStringLiteral("Frame1_%1").arg(index));
    if (coloured_)
        ApplyColourScheme(frame, menuItem(QStringLiteral("menucolor"))->isChecked());
    if (connected_)
        for (const QString& name : p->dataControls())
            connectToDatabase(anyDataControl(name));
}

void Form2::buildPanelsOffering(const std::type_info& service) {
    for (Form2Panel* p : std::vector<Form2Panel*>(unbuilt_))
        if (p->offers(service))
            buildPanel(p->index());
    // A panel that does not say what it offers is found by building.
    while (!unbuilt_.empty() && !isOffered(service))
        buildPanel(unbuilt_.front()->index());
}

void Form2::buildPanelControls(Form2Panel& panel) {
    const int index = panel.index();
    const QString frame = QStringLiteral("Frame1_%1").arg(index);
    for (const auto& d : panel.designs()) {
        // Only inside its own frame: a panel cannot reach into another.
        QWidget* container = d.container.isEmpty() ? nullptr : controls_.value(d.container);
        if (!container || (container != controls_.value(frame) && !controls_.value(frame)->isAncestorOf(container)))
            throw std::logic_error("Form2: " + d.name.toStdString() + " is not inside " + frame.toStdString());
        buildControl(d);
    }
    // The common 完成 of the panel; its index plays no part.
    if (auto* done = qobject_cast<QPushButton*>(controls_.value(QStringLiteral("Comout_%1").arg(index - 1))))
        connect(done, &QPushButton::clicked, this, [this, index] { Comout_Click(index - 1); });
    panel.bind(*this);
    Form_Resize();
}

Form2Panel* Form2::panel(int index) const {
    for (const auto& p : panels_)
        if (p->index() == index)
            return p.get();
    return nullptr;
}

PanelControls Form2::controlsOf(const Form2Panel& panel) { return controlsOf(panel.index()); }

PanelControls Form2::controlsOf(int panel) {
    return PanelControls(controls_.value(QStringLiteral("Frame1_%1").arg(panel)), panel);
}

SettingsRows Form2::settings() { return SettingsRows(Adodc0_); }

std::vector<platform::db::Recordset*> Form2::openRecordsets() {
    std::vector<platform::db::Recordset*> sets;
    for (platform::db::DataControl* dc : {&Adodc0_, &Adodc1_})
        if (auto* rs = dc->recordset())
            sets.push_back(rs);
    for (const QString& name : panelDataControls())
        if (auto* rs = anyDataControl(name).recordset())
            sets.push_back(rs);
    return sets;
}

std::vector<QPushButton*> Form2::panelButtons() const {
    std::vector<QPushButton*> buttons;
    for (int i = 1; i <= 8; ++i)
        if (auto* b = control<QPushButton>(QStringLiteral("Command%1").arg(i)))
            buttons.push_back(b);
    // A panel not built yet has no 完成 to press.
    for (int i = 0; i <= 7; ++i)
        if (auto* b = control<QPushButton>(QStringLiteral("Comout_%1").arg(i)))
            buttons.push_back(b);
    return buttons;
}

QStringList Form2::panelDataControls() const {
    // A panel not built yet has nothing open: its controls join when it is built.
    QStringList names;
    for (const auto& p : panels_)
        if (isBuilt(p->index()))
            names += p->dataControls();
    return names;
}

// ---------------------------------------------------------------- start-up

bool Form2::startUp(QWidget* startWindow) {
    ProgramState& s = state();
    if (startWindow)
        startWindow->close();

    static const char* const topMenus[] = {"MenuFile", "MenuEDIT", "MeuLook", "menuSJ", "MenuTs", "Help"};
    for (const char* m : topMenus)
        menuItem(QLatin1String(m))->setEnabled(false);
    BackupDone = false;

    const auto files = form2::readStartupFiles();
    if (const auto* failure = std::get_if<form2::StartupFailure>(&files)) {
        s.DatabasePath.clear();
        platform::dialogs().message(failure->text, platform::MsgButtons::Ok, failure->title);
        close();
        return false;
    }
    const auto& found = std::get<form2::StartupFiles>(files);
    s.DatabasePath = found.databasePath;
    s.DatabaseFolder = found.databaseFolder;
    s.GradeCount = found.school.gradeCount;
    s.ClassCount = found.school.classCount;
    s.SubjectCount = found.school.subjectCount;
    s.SchoolName = found.school.schoolName;
    s.DatabasePassword = found.school.password;
    s.StudentCount = found.school.studentCount;
    s.TeacherCount = found.school.teacherCount;

    // First appearance.
    setWindowTitle(s.SchoolName + kProgramName);
    RemovePanelBorders();
    for (int i = 0; i <= 8; ++i)
        control(QStringLiteral("Frame1_%1").arg(i))->setVisible(false);
    control(QStringLiteral("Frame1_0"))->setVisible(true);
    control<QLabel>(QStringLiteral("Label1"))->setText(QStringLiteral("欢迎你进入"));
    control<QLabel>(QStringLiteral("Label2"))->setText(QStringLiteral("    ") + s.SchoolName + QStringLiteral(" ") + kProgramName);
    // Always open in the colourful scheme, whatever the last run chose.
    menuItem(QStringLiteral("menucolor"))->setChecked(false);
    menucolor_Click();

    showMaximized();
    repaint();

    // The login decides IsAdministrator.
    {
        frmLogin login(this, ownConnections());
        platform::dialogs().runModal(login);
    }

    try {
        ConnectDataControls();
    } catch (const platform::db::DbError& e) {
        // Wrong password in scro.dat, a damaged file, or one held by another
        // program: nothing has been written, so ending here loses nothing.
        DisconnectDataControls();
        platform::dialogs().message(QStringLiteral("无法打开数据库") + s.DatabasePath + QStringLiteral("：") + e.text() +
                                        QStringLiteral("\n请检查后重新起动本程序！"),
                                    platform::MsgButtons::Ok, platform::kErrorTitle);
        close();
        return false;
    }

    for (int i = 1; i <= 8; ++i)
        control(QStringLiteral("Command%1").arg(i))->setEnabled(true);
    for (const char* m : topMenus)
        menuItem(QLatin1String(m))->setEnabled(true);

    try {
        const auto level = form2::lockLevelFor(settings().value(Setting::LockLevel), s.IsAdministrator != 0);
        if (level)
            ApplyLockLevel(this, *level);
        s.ExamNumberLength = form2::readExamNumberLength(*Adodc0_.recordset());

        platform::db::Database& db = *Adodc0_.database();
        const auto counts = form2::countTables(db);
        // Bound to 成绩表 as the counting always left it; its rows are read by
        // whoever refreshes it, not here (a whole school for a count).
        Adodc1_.setRecordSource(table::Scores);
        s.TeacherCount = counts.teachers;
        s.GradeCount = counts.grades;
        s.ClassCount = counts.classes;
        s.StudentCount = counts.students;
        s.SubjectCount = counts.subjects;

        if (form2::hasIncompleteStudentRow(db))
            platform::dialogs().message(
                QStringLiteral("您的数据库可能有姓名或者班级或者STID为空的记录,请运行菜单中的 '数据/检查数据的完整性' 进行检查!"));
    } catch (const platform::db::DbError& e) {
        showDbError(e);
    }
    return true;
}

void Form2::ConnectDataControls() {
    std::vector<platform::db::DataControl*> panels;
    for (const QString& name : panelDataControls())
        panels.push_back(&anyDataControl(name));
    ::ConnectDataControls(panels, Adodc0_, Adodc1_);
    connected_ = true;
}

void Form2::DisconnectDataControls() {
    for (const QString& name : panelDataControls())
        anyDataControl(name).close();
    Adodc1_.close();
    Adodc0_.close();
    connected_ = false;
}

OwnConnections Form2::ownConnections() {
    return {[this] { releaseConnections(); }, [this] { reacquireConnections(); }};
}

void Form2::releaseConnections() {
    // Remembered so that a change made before the start-up connects (the
    // first login) does not connect early.
    reconnect_ = connected_;
    if (connected_) {
        // A panel left open would keep grids on closed record sets: finish it
        // first, and let it go when the file refuses its finishing work.
        if (!Comout_Click(0)) {
            if (Form2Panel* shown = panel(visiblePanel()))
                dropPanelData(*shown);
            ShowStartPanel();
        }
        DisconnectDataControls();
    }
}

void Form2::reacquireConnections() {
    if (reconnect_)
        ConnectDataControls();
    reconnect_ = false;
}

QString Form2::settingsValue(int row) { return settings().value(Setting(row)); }

void Form2::setSettingsValue(int row, const QString& value) { settings().store(Setting(row), value); }

// ---------------------------------------------------------------- layout

bool Form2::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_ && event->type() == QEvent::Resize)
        Form_Resize();
    return QMainWindow::eventFilter(watched, event);
}

void Form2::Form_Resize() {
    std::vector<const Form2Panel*> panels;
    for (const auto& p : panels_)
        panels.push_back(p.get());
    const auto layout = form2::layoutForm2(platform::pixelsToTwips(client_->width()),
                                           platform::pixelsToTwips(client_->height()), isMinimized(), panels);
    if (!layout.laidOut)
        return;
    for (const auto& p : layout.placements)
        if (QWidget* w = controls_.value(p.name))
            place(*w, p.rect);
}

// ---------------------------------------------------------------- lookup

QWidget* Form2::control(const QString& name) const { return controls_.value(name); }

QAction* Form2::menuItem(const QString& name) const { return menuItems_.value(name); }

platform::db::DataControl& Form2::dataControl(const QString& name) {
    if (name == QLatin1String("Adodc0"))
        return Adodc0_;
    if (name == QLatin1String("Adodc1"))
        return Adodc1_;
    throw MissingControl("Form2: " + name.toStdString() + " is not a data control of the window");
}

platform::db::DataControl& Form2::anyDataControl(const QString& name) {
    if (name == QLatin1String("Adodc0") || name == QLatin1String("Adodc1"))
        return dataControl(name);
    auto* bar = qobject_cast<platform::db::DataControlBar*>(controls_.value(name));
    if (!bar)
        throw MissingControl("Form2: no data control named " + name.toStdString());
    return bar->control();
}

platform::db::DataGrid* Form2::grid(const QString& name) const {
    return qobject_cast<platform::db::DataGrid*>(controls_.value(name));
}
