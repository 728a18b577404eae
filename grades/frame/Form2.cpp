#include "grades/frame/Form2.h"

#include "common/data_connections.h"
#include "common/program_state.h"
#include "common/schema.h"
#include "common/settings_files.h"
#include "common/settings_rows.h"
#include "grades/frame/form2_design.h"
#include "grades/frame/form2_layout.h"
#include "grades/frame/core/form2_startup.h"
#include "grades/frame/Form17.h"
#include "grades/frame/Form8.h"
#include "grades/frame/frmAbout.h"
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
#include "grades/frame/lock_system.h"
#include "grades/frame/colour_scheme.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

using platform::db::DataControl;
using platform::db::DbError;

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

void showDbError(const DbError& e) {
    platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle, platform::MsgIcon::Warning);
}

} // namespace

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

void Form2::addPanel(std::unique_ptr<Form2Panel> panel) {
    const int index = panel->index();
    if (index < 1 || index > 8 || this->panel(index))
        throw std::logic_error("Form2: panel index " + std::to_string(index) + " is not free");
    const QString frame = QStringLiteral("Frame1_%1").arg(index);
    for (const auto& d : panel->designs()) {
        // Only inside its own frame: a panel cannot reach into another.
        QWidget* container = d.container.isEmpty() ? nullptr : controls_.value(d.container);
        if (!container || (container != controls_.value(frame) && !controls_.value(frame)->isAncestorOf(container)))
            throw std::logic_error("Form2: " + d.name.toStdString() + " is not inside " + frame.toStdString());
        buildControl(d);
    }
    // The common 完成 of the panel; its index plays no part.
    if (auto* done = qobject_cast<QPushButton*>(controls_.value(QStringLiteral("Comout_%1").arg(index - 1))))
        connect(done, &QPushButton::clicked, this, [this, index] { Comout_Click(index - 1); });
    panel->bind(*this);
    panels_.push_back(std::move(panel));
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

QStringList Form2::dataControlNames() const {
    return QStringList{QStringLiteral("Adodc0"), QStringLiteral("Adodc1")} + panelDataControls();
}

QStringList Form2::panelDataControls() const {
    QStringList names;
    for (const auto& p : panels_)
        names += p->dataControls();
    return names;
}

void Form2::buildMenus() {
    for (const auto& m : form2::menuDesigns()) {
        QMenu* menu = menuBar()->addMenu(m.caption);
        menu->setObjectName(m.name);
        menu->menuAction()->setObjectName(m.name);
        menuItems_.insert(m.name, menu->menuAction());
        for (const auto& item : m.items) {
            QAction* a = item.caption == QLatin1String("-") ? menu->addSeparator() : menu->addAction(item.caption);
            a->setObjectName(item.name);
            a->setVisible(item.visible);
            if (item.checkable) {
                a->setCheckable(true);
                a->setChecked(true);
            }
            menuItems_.insert(item.name, a);
        }
    }
}

void Form2::wireHandlers() {
    auto onClick = [this](const QString& name, void (Form2::*handler)()) {
        connect(control<QPushButton>(name), &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
    };
    onClick(QStringLiteral("Command1"), &Form2::Command1_Click);
    onClick(QStringLiteral("Command2"), &Form2::Command2_Click);
    onClick(QStringLiteral("Command3"), &Form2::Command3_Click);
    onClick(QStringLiteral("Command4"), &Form2::Command4_Click);
    onClick(QStringLiteral("Command5"), &Form2::Command5_Click);
    onClick(QStringLiteral("Command6"), &Form2::Command6_Click);
    onClick(QStringLiteral("Command7"), &Form2::Command7_Click);
    onClick(QStringLiteral("Command8"), &Form2::Command8_Click);

    auto onMenu = [this](const QString& name, void (Form2::*handler)()) {
        connect(menuItem(name), &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    onMenu(QStringLiteral("menu12"), &Form2::menu12_Click);
    onMenu(QStringLiteral("MenuStudent"), &Form2::MenuStudent_Click);
    onMenu(QStringLiteral("Menuteacher"), &Form2::Menuteacher_Click);
    onMenu(QStringLiteral("MenuKh"), &Form2::MenuKh_Click);
    onMenu(QStringLiteral("MenuZf"), &Form2::MenuZf_Click);
    onMenu(QStringLiteral("MenuCj"), &Form2::MenuCj_Click);
    onMenu(QStringLiteral("MenuJs"), &Form2::MenuJs_Click);
    onMenu(QStringLiteral("MenuCk"), &Form2::MenuCk_Click);
    onMenu(QStringLiteral("MenuJf"), &Form2::MenuJf_Click);
    onMenu(QStringLiteral("MenuEditAll"), &Form2::MenuEditAll_Click);
    onMenu(QStringLiteral("MenuXueJi"), &Form2::MenuXueJi_Click);
    onMenu(QStringLiteral("MenuOpenOther"), &Form2::MenuOpenOther_Click);
    onMenu(QStringLiteral("helpuser"), &Form2::helpuser_Click);
    onMenu(QStringLiteral("MenuHowtouse"), &Form2::MenuHowtouse_Click);
    onMenu(QStringLiteral("about"), &Form2::about_Click);
    connect(menuItem(QStringLiteral("MenuSuper")), &QAction::triggered, this, [this] {
        MenuSuper_Click(this, &Adodc0_, ownConnections());
    });
    // The check mark is ours to invert, not the action's.
    QAction* colour = menuItem(QStringLiteral("menucolor"));
    connect(colour, &QAction::triggered, this, [this, colour] {
        colour->setChecked(!colour->isChecked());
        menucolor_Click();
    });
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
    } catch (const DbError& e) {
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
    } catch (const DbError& e) {
        showDbError(e);
    }
    return true;
}

void Form2::ConnectDataControls() {
    std::vector<DataControl*> panels;
    for (const QString& name : panelDataControls())
        panels.push_back(&dataControl(name));
    ::ConnectDataControls(panels, Adodc0_, Adodc1_);
    connected_ = true;
}

void Form2::DisconnectDataControls() {
    for (const QString& name : panelDataControls())
        dataControl(name).close();
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
        // A panel left open would keep grids on closed record sets: finish it first.
        Comout_Click(0);
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

// ---------------------------------------------------------------- panels

void Form2::ShowPanel(int index) {
    for (int i = 0; i <= 8; ++i)
        control(QStringLiteral("Frame1_%1").arg(i))->setVisible(false);
    QWidget* panel = control(QStringLiteral("Frame1_%1").arg(index));
    panel->setVisible(true);
    panel->repaint();
}

void Form2::ShowStartPanel() {
    for (int i = 0; i <= 8; ++i)
        control(QStringLiteral("Frame1_%1").arg(i))->setVisible(false);
    control(QStringLiteral("Frame1_0"))->setVisible(true);
    for (int i = 1; i <= 8; ++i)
        control(QStringLiteral("Command%1").arg(i))->setVisible(true);
}

int Form2::visiblePanel() const {
    int visible = -1;
    for (int i = 0; i <= 8; ++i)
        if (!control(QStringLiteral("Frame1_%1").arg(i))->isHidden())
            visible = i;
    return visible;
}

void Form2::Comout_Click(int) {
    const int p = visiblePanel();
    if (p >= 1 && p <= 8) {
        if (Form2Panel* shown = panel(p))
            finishPanel(*shown);
        ShowStartPanel();
    }
    try {
        form2::emptyDataControl(Adodc1_);
    } catch (const DbError& e) {
        showDbError(e);
        dropDataControl(QStringLiteral("Adodc1"));
    }
}

void Form2::finishPanel(Form2Panel& panel) {
    try {
        panel.finish();
    } catch (const DbError& e) {
        // The interrupted data work was rolled back; the panel still closes
        // and lets go of its record sets.
        showDbError(e);
        for (const QString& name : panel.dataControls())
            dropDataControl(name);
        dropDataControl(QStringLiteral("Adodc1"));
    }
}

void Form2::dropDataControl(const QString& name) {
    // An edit still pending is thrown away, not stored: after a rollback it
    // would write half of the work outside the transaction.
    DataControl& dc = dataControl(name);
    if (auto* rs = dc.recordset(); rs && rs->isDirty())
        rs->cancelUpdate();
    try {
        form2::emptyDataControl(dc);
    } catch (const DbError&) {
    }
}

void Form2::openPanel(int index) {
    Comout_Click(0);
    Form2Panel* opened = panel(index);
    try {
        if (opened && !opened->mayOpen())
            return;
        ShowPanel(index);
        if (opened)
            opened->load();
    } catch (const DbError& e) {
        showDbError(e);
    }
}

void Form2::Command1_Click() { openPanel(1); }
void Form2::Command2_Click() { openPanel(2); }
void Form2::Command3_Click() { openPanel(3); }
void Form2::Command4_Click() { openPanel(4); }
void Form2::Command5_Click() { openPanel(5); }
void Form2::Command6_Click() { openPanel(6); }
void Form2::Command7_Click() { openPanel(7); }
void Form2::Command8_Click() { openPanel(8); }

// ---------------------------------------------------------------- menus

void Form2::menu12_Click() { close(); }
// Each panel button does the finishing work of the panel showing first.
void Form2::MenuStudent_Click() { Command1_Click(); }
void Form2::Menuteacher_Click() { Command2_Click(); }
void Form2::MenuKh_Click() { Command3_Click(); }
void Form2::MenuZf_Click() { Command4_Click(); }
void Form2::MenuCj_Click() { Command8_Click(); }
void Form2::MenuJs_Click() { Command5_Click(); }
void Form2::MenuCk_Click() { Command6_Click(); }
void Form2::MenuJf_Click() { Command7_Click(); }

void Form2::MenuEditAll_Click() {
    Comout_Click(0);
    // The shared window in edit mode: without the diagram and its bars, and
    // with any caption but the help caption.
    Form8 form(this);
    form.Picture1->hide();
    form.HScroll1->hide();
    form.VScroll1->hide();
    form.setWindowTitle(QStringLiteral("编辑所有情况"));
    form.setEditSource(&Adodc1_);
    platform::dialogs().runModal(form);
}

void Form2::MenuXueJi_Click() {}

void Form2::MenuOpenOther_Click() { Form17::showFor(this); }

void Form2::helpuser_Click() {
    ShowWorkflowOrHelp(this, control(QStringLiteral("Frame1_0"))->isVisible());
}

void Form2::MenuHowtouse_Click() { openHelpFile(); }

void Form2::about_Click() { ShowAbout(); }

void Form2::menucolor_Click() {
    QAction* colour = menuItem(QStringLiteral("menucolor"));
    colour->setChecked(!colour->isChecked());
    ApplyColourScheme(this, colour->isChecked());
}

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

DataControl& Form2::dataControl(const QString& name) {
    if (name == QLatin1String("Adodc0"))
        return Adodc0_;
    if (name == QLatin1String("Adodc1"))
        return Adodc1_;
    auto* bar = qobject_cast<platform::db::DataControlBar*>(controls_.value(name));
    if (!bar)
        throw MissingControl("Form2: no data control named " + name.toStdString());
    return bar->control();
}

platform::db::DataGrid* Form2::grid(const QString& name) const {
    return qobject_cast<platform::db::DataGrid*>(controls_.value(name));
}
