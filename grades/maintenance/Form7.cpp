#include "grades/maintenance/Form7.h"

#include "common/program_state.h"
#include "common/random_source.h"
#include "grades/frame/form2_panel.h"
#include "platform/db/database.h"
#include "platform/ui/build_control.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/show_modeless.h"
#include "platform/ui/twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QToolButton>
#include <algorithm>

namespace dv = maintenance::division;

namespace maintenance {

namespace {

QString indexed(const char* name, int i) { return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i); }

// The lines are laid out by character position: a font whose Chinese
// characters are two Latin ones wide keeps their columns.
void useColumnFont(QWidget* list) {
    QFont font(QStringLiteral("Noto Sans Mono CJK SC"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(10);
    list->setFont(font);
}

QString gradeLabelOf(const dv::PlanLine& line) {
    return line.grade + QStringLiteral("级  准备变成下面情况：");
}

constexpr int kWidth = 9720;
constexpr int kHeight = 5640;

} // namespace

void fenban_Click(PanelHost& host) {
    if (state().IsAdministrator == 0) {
        platform::dialogs().message(QStringLiteral("只有系统管理员才有权使用本功能。"), platform::MsgButtons::Ok,
                                    platform::kPromptTitle);
        return;
    }
    if (!host.Comout_Click(0))
        return;
    Form7::showFor(host.hostWindow());
}

Form7::Form7(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("分班"));
    setAttribute(Qt::WA_DeleteOnClose);
    platform::resizeTwips(*this, kWidth, kHeight);
    setFixedSize(size());

    buildPlanningView();
    buildManualView();
    buildAdjustmentView();
    Form_Load();
}

Form7::~Form7() = default;

Form7* Form7::showFor(QWidget* owner) {
    return platform::showModeless<Form7>(owner, [owner] {
        auto* window = new Form7(owner);
        if (owner) {
            // Centred on the main window, which is smaller, yet whole on its screen.
            QRect place = window->frameGeometry();
            place.moveCenter(owner->geometry().center());
            if (const QScreen* screen = owner->screen()) {
                const QRect room = screen->availableGeometry();
                place.moveLeft(std::clamp(place.left(), room.left(), std::max(room.left(), room.right() - place.width())));
                place.moveTop(std::clamp(place.top(), room.top(), std::max(room.top(), room.bottom() - place.height())));
            }
            window->move(place.topLeft());
        }
        return window;
    });
}

void Form7::buildPlanningView() {
    Frame1[0] = platform::buildControl<QFrame>(this, indexed("Frame1", 0), 0, 0, kWidth, kHeight);
    QFrame* view = Frame1[0];
    Label2 = platform::buildControl<QLabel>(view, QStringLiteral("Label2"), 120, 120, 3000, 255,
                                  QStringLiteral("班级        原班人数"));
    List1 = platform::buildControl<QListWidget>(view, QStringLiteral("List1"), 120, 420, 3000, 4200);
    useColumnFont(List1);
    Command4 = platform::buildControl<QPushButton>(view, QStringLiteral("Command4"), 120, 4740, 3000, 420,
                                         QStringLiteral("选择完要分的班级后请按下这颗键."));
    Label4 = platform::buildControl<QLabel>(view, QStringLiteral("Label4"), 3360, 120, 6240, 255,
                                  QStringLiteral("左边没有选中的班,表示这个班的原班生不作变动."));

    Frame2[0] = platform::buildControl<QGroupBox>(view, indexed("Frame2", 0), 3360, 420, 6240, 1020, QStringLiteral("平行班分班规则"));
    Check1 = platform::buildControl<QCheckBox>(Frame2[0], QStringLiteral("Check1"), 120, 270, 3000, 300,
                                     QStringLiteral("要分快慢班(按成绩)"));
    Check1->setChecked(true);
    const char* rules[] = {"按成绩分", "随机分班", "平均分配", "手动分班"};
    for (int i = 0; i < 4; ++i)
        Option1[size_t(i)] = platform::buildControl<QRadioButton>(Frame2[0], indexed("Option1", i), 120 + i * 1500, 630, 1440,
                                                        300,
                                                        QString::fromUtf8(rules[i]));
    Option1[0]->setChecked(true);

    // The hint points from the box back to the class list.
    Picture2 = platform::buildControl<QLabel>(view, QStringLiteral("Picture2"), 3360, 1500, 6240, 360);
    Picture2->setFrameShape(QFrame::Panel);
    Picture2->setFrameShadow(QFrame::Sunken);
    Picture2->setCursor(Qt::PointingHandCursor);
    Picture2->installEventFilter(this);
    const int lines[3][4] = {{240, 165, 3000, 30}, {240, 90, 30, 180}, {240, 165, 180, 30}};
    for (int i = 0; i < 3; ++i) {
        auto* line = platform::buildControl<QFrame>(Picture2, indexed("Line1", i), lines[i][0], lines[i][1], lines[i][2],
                                          lines[i][3]);
        line->setFrameShape(QFrame::Box);
        line->setLineWidth(1);
        line->hide();
        Line1[size_t(i)] = line;
    }

    Frame2[1] = platform::buildControl<QGroupBox>(view, indexed("Frame2", 1), 3360, 1920, 6240, 3600, QStringLiteral("平行班分班规则"));
    QGroupBox* editor = Frame2[1];
    Label3 = platform::buildControl<QLabel>(editor, QStringLiteral("Label3"), 120, 270, 3120, 255,
                                  QStringLiteral("班级        新班人数"));
    List2 = platform::buildControl<QListWidget>(editor, QStringLiteral("List2"), 120, 540, 3120, 2940);
    useColumnFont(List2);
    Label1[0] = platform::buildControl<QLabel>(editor, indexed("Label1", 0), 3360, 270, 2820, 255);
    Label1[1] = platform::buildControl<QLabel>(editor, indexed("Label1", 1), 3360, 660, 480, 255, QStringLiteral("新班"));
    Text1[0] = platform::buildControl<QLineEdit>(editor, indexed("Text1", 0), 3840, 615, 540, 315);
    Text1[1] = platform::buildControl<QLineEdit>(editor, indexed("Text1", 1), 4500, 615, 600, 315);
    Text1[0]->setAccessibleName(QStringLiteral("新班"));
    Text1[1]->setAccessibleName(QStringLiteral("人数"));
    Label1[2] = platform::buildControl<QLabel>(editor, indexed("Label1", 2), 5160, 660, 300, 255, QStringLiteral("人"));
    Combo1 = platform::buildControl<platform::ComboBox>(editor, QStringLiteral("Combo1"), 3840, 1035, 1260, 315);
    Combo1->setEditable(true);
    Combo1->setAccessibleName(QStringLiteral("班的类型"));
    Label1[3] = platform::buildControl<QLabel>(editor, indexed("Label1", 3), 5160, 1080, 300, 255, QStringLiteral("班"));
    Command1 = platform::buildControl<QPushButton>(editor, QStringLiteral("Command1"), 3360, 1500, 900, 375,
                                         QStringLiteral("新增班"));
    Command2 = platform::buildControl<QPushButton>(editor, QStringLiteral("Command2"), 4320, 1500, 900, 375,
                                         QStringLiteral("减少班"));
    Command5 = platform::buildControl<QPushButton>(editor, QStringLiteral("Command5"), 5280, 1500, 840, 375,
                                         QStringLiteral("确定"));
    Picture1[0] = platform::buildControl<QToolButton>(editor, indexed("Picture1", 0), 3360, 2010, 420, 360);
    Picture1[0]->setArrowType(Qt::UpArrow);
    Picture1[0]->setToolTip(QStringLiteral("上一个班"));
    Picture1[0]->setAccessibleName(Picture1[0]->toolTip());
    Picture1[1] = platform::buildControl<QToolButton>(editor, indexed("Picture1", 1), 3840, 2010, 420, 360);
    Picture1[1]->setArrowType(Qt::DownArrow);
    Picture1[1]->setToolTip(QStringLiteral("下一个班"));
    Picture1[1]->setAccessibleName(Picture1[1]->toolTip());
    Label1[4] = platform::buildControl<QLabel>(editor, indexed("Label1", 4), 4440, 2055, 1680, 255, QStringLiteral("还剩: 0人"));
    Command3 = platform::buildControl<QPushButton>(editor, QStringLiteral("Command3"), 3360, 2760, 2760, 540,
                                         QStringLiteral("开始分"));

    connect(List1, &QListWidget::itemChanged, this, [this] { List1_Click(); });
    connect(List1, &QListWidget::itemClicked, this, [this] { List1_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Check1, &QCheckBox::clicked, this, [this] { Check1_Click(); });
    connect(List2, &QListWidget::currentRowChanged, this, [this] { List2_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Picture1[0], &QToolButton::clicked, this, [this] { Picture1_Click(0); });
    connect(Picture1[1], &QToolButton::clicked, this, [this] { Picture1_Click(1); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
}

void Form7::buildManualView() {
    Frame2[2] = platform::buildControl<QGroupBox>(Frame1[0], indexed("Frame2", 2), 3360, 1920, 6240, 3600,
                                        QStringLiteral("平行班分班规则"));
    QGroupBox* manual = Frame2[2];
    Label7 = platform::buildControl<QLabel>(manual, QStringLiteral("Label7"), 240, 480, 5760, 300);
    useColumnFont(Label7);
    Label8[0] = platform::buildControl<QLabel>(manual, indexed("Label8", 0), 240, 1080, 780, 255, QStringLiteral("将分到"));
    Combo3 = platform::buildControl<platform::ComboBox>(manual, QStringLiteral("Combo3"), 1080, 1035, 960, 315);
    Combo3->setEditable(true);
    Combo3->setAccessibleName(QStringLiteral("将分到"));
    Label8[1] = platform::buildControl<QLabel>(manual, indexed("Label8", 1), 2100, 1080, 300, 255, QStringLiteral("班"));
    Command11 = platform::buildControl<QPushButton>(manual, QStringLiteral("Command11"), 240, 1800, 1200, 375,
                                          QStringLiteral("下一个"));
    Command10 = platform::buildControl<QPushButton>(manual, QStringLiteral("Command10"), 1560, 1800, 1200, 375,
                                          QStringLiteral("分班完成"));
    Command9 = platform::buildControl<QPushButton>(manual, QStringLiteral("Command9"), 2880, 1800, 1200, 375,
                                         QStringLiteral("重新设置"));
    connect(Command11, &QPushButton::clicked, this, [this] { Command11_Click(); });
    connect(Command10, &QPushButton::clicked, this, [this] { Command10_Click(); });
    connect(Command9, &QPushButton::clicked, this, [this] { Command9_Click(); });
}

void Form7::buildAdjustmentView() {
    Frame1[1] = platform::buildControl<QFrame>(this, indexed("Frame1", 1), 0, 0, kWidth, kHeight);
    QFrame* view = Frame1[1];
    Label6 = platform::buildControl<QLabel>(view, QStringLiteral("Label6"), 120, 120, 9480, 255,
                                  QStringLiteral("请在这个窗口中对电脑所作的分班结果作一些调整"));
    List4 = platform::buildControl<QListWidget>(view, QStringLiteral("List4"), 120, 420, 3600, 4440);
    useColumnFont(List4);
    List3 = platform::buildControl<QListWidget>(view, QStringLiteral("List3"), 3840, 420, 5760, 4440);
    List3->setSelectionMode(QAbstractItemView::ExtendedSelection);
    useColumnFont(List3);
    Label5[0] = platform::buildControl<QLabel>(view, indexed("Label5", 0), 120, 5100, 1740, 255, QStringLiteral("将选定同学分到："));
    Combo2 = platform::buildControl<platform::ComboBox>(view, QStringLiteral("Combo2"), 1860, 5055, 900, 315);
    Combo2->setEditable(true);
    Combo2->setAccessibleName(QStringLiteral("将选定同学分到"));
    Label5[1] = platform::buildControl<QLabel>(view, indexed("Label5", 1), 2820, 5100, 300, 255, QStringLiteral("班"));
    Command6 = platform::buildControl<QPushButton>(view, QStringLiteral("Command6"), 3240, 5010, 1020, 375, QStringLiteral("确定"));
    Command7 = platform::buildControl<QPushButton>(view, QStringLiteral("Command7"), 4440, 5010, 1500, 375,
                                         QStringLiteral("重新设定"));
    Command8 = platform::buildControl<QPushButton>(view, QStringLiteral("Command8"), 6120, 5010, 1500, 375,
                                         QStringLiteral("分班完成"));
    Command12 = platform::buildControl<QPushButton>(view, QStringLiteral("Command12"), 7800, 5010, 1500, 375,
                                          QStringLiteral("取消分班"));
    connect(Command6, &QPushButton::clicked, this, [this] { Command6_Click(); });
    connect(Command7, &QPushButton::clicked, this, [this] { Command7_Click(); });
    connect(Command8, &QPushButton::clicked, this, [this] { Command8_Click(); });
    connect(Command12, &QPushButton::clicked, this, [this] { Command12_Click(); });
}

void Form7::say(const QString& text) {
    platform::dialogs().message(text, platform::MsgButtons::Ok, platform::kPromptTitle);
}

void Form7::Form_Load() {
    Picture2->setText(QStringLiteral("   选定要分班的对象后,请单击这里."));
    Picture2->hide();
    Frame2[1]->hide();
    Frame2[2]->hide();
    Frame1[0]->show();
    Frame1[1]->hide();
    List1->clear();
    classes_.clear();
    try {
        db_ = openProgramDatabase();
        classes_ = dv::loadClasses(*db_);
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(QStringLiteral("读不出各班的学生人数。\n%1").arg(e.text()), platform::MsgButtons::Ok,
                                    platform::kErrorTitle);
        return;
    }
    const QSignalBlocker quiet(List1);
    for (const dv::ClassEntry& c : classes_) {
        auto* item = new QListWidgetItem(dv::classLineText(c), List1);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

void Form7::List1_Click() {
    for (int i = 0; i < List1->count() && i < int(classes_.size()); ++i)
        classes_[size_t(i)].ticked = List1->item(i)->checkState() == Qt::Checked;
    const dv::TickResult tick = dv::checkTicks(classes_);
    if (tick.check != dv::TickCheck::Fine) {
        {
            const QSignalBlocker quiet(List1);
            List1->item(tick.untick)->setCheckState(Qt::Unchecked);
        }
        classes_[size_t(tick.untick)].ticked = false;
        say(dv::tickMessage(tick.check));
    }
    // Every change of the choice leaves the plan: it is built again with Command4.
    Command4->show();
    Picture2->hide();
    Frame2[1]->hide();
}

void Form7::Command4_Click() {
    if (!plan_.build(classes_, Check1->isChecked()))
        return;
    Picture2->show();
    Command4->hide();
    Frame2[2]->hide();
    Frame2[1]->show();
    Combo1->setVisible(Check1->isChecked());
    Label1[3]->setVisible(Check1->isChecked());
    fillPlanList();
    selectPlanLine(0);
    if (Check1->isChecked()) {
        Combo1->clear();
        Combo1->addItems({QStringLiteral("快"), QStringLiteral("平行"), QStringLiteral("慢")});
        Combo1->setEditText(QStringLiteral("平行"));
    }
    UpdateRemainingCount();
}

void Form7::Check1_Click() { Command4_Click(); }

void Form7::fillPlanList() {
    const QSignalBlocker quiet(List2);
    List2->clear();
    List2->addItems(plan_.lineTexts());
}

void Form7::selectPlanLine(int index) {
    {
        const QSignalBlocker quiet(List2);
        List2->setCurrentRow(index);
    }
    List2_Click();
}

void Form7::List2_Click() {
    const int row = List2->currentRow();
    if (row < 0 || row >= int(plan_.lines().size()))
        return;
    const dv::PlanLine& line = plan_.lines()[size_t(row)];
    Label1[0]->setText(gradeLabelOf(line));
    Text1[0]->setText(line.cls);
    Text1[1]->setText(QString::number(line.plannedSize));
    Combo1->setEditText(line.type);
}

void Form7::Command1_Click() {
    const auto added = plan_.add(Text1[0]->text(), Text1[1]->text(), Combo1->currentText());
    if (!added) {
        say(QStringLiteral("请输入不同于左边列表框中的班级。"));
        return;
    }
    fillPlanList();
    selectPlanLine(*added);
    UpdateRemainingCount();
}

void Form7::Command5_Click() {
    const int row = List2->currentRow();
    if (row >= 0) {
        const auto edited = plan_.edit(row, Text1[1]->text(), Combo1->currentText());
        if (!edited)
            return;   // a kept class does not shrink
        fillPlanList();
        selectPlanLine(*edited);
    }
    UpdateRemainingCount();
}

void Form7::Command2_Click() {
    const int row = List2->currentRow();
    if (row >= 0) {
        const auto next = plan_.remove(row);
        if (!next)
            return;   // a kept class stays in the plan
        fillPlanList();
        if (*next >= 0)
            selectPlanLine(*next);
    }
    UpdateRemainingCount();
}

void Form7::Picture1_Click(int index) {
    Command5_Click();
    const int row = List2->currentRow();
    if (row < 0)
        return;
    if (index == 0 && row > 0)
        selectPlanLine(row - 1);
    else if (index == 1 && row < List2->count() - 1)
        selectPlanLine(row + 1);
    else
        List2_Click();
}

void Form7::Picture2_Click() {
    Picture2->clear();
    for (QFrame* line : Line1)
        line->show();
}

bool Form7::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Picture2 && event->type() == QEvent::MouseButtonRelease)
        Picture2_Click();
    return QWidget::eventFilter(watched, event);
}

void Form7::UpdateRemainingCount() { Label1[4]->setText(plan_.remainingText()); }

dv::Rule Form7::chosenRule() const {
    if (Option1[1]->isChecked())
        return dv::Rule::Random;
    if (Option1[2]->isChecked())
        return dv::Rule::Even;
    if (Option1[3]->isChecked())
        return dv::Rule::Manual;
    return dv::Rule::ByScore;
}

void Form7::Command3_Click() {
    if (plan_.empty())
        return;
    List4->clear();
    jl_.clear();
    banj2_ = dv::divisionClasses(plan_, classes_);
    dividedClasses_ = classes_;
    DivisionGrade = plan_.grade();
    try {
        jl_ = dv::loadStudents(*db_, classes_);
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(QStringLiteral("读不出要分班的学生，分班没有开始。\n%1").arg(e.text()),
                                    platform::MsgButtons::Ok, platform::kErrorTitle);
        return;
    }
    DivisionPending = true;
    if (chosenRule() == dv::Rule::Manual) {
        Frame2[2]->show();
        Frame2[1]->hide();
        StartManualDivision();
        return;
    }
    DivideByClassType();
    openAdjustmentView();
}

void Form7::DivideByClassType() {
    // Seeded afresh for each division unless a source was given.
    ClockRandomSource fresh;
    dv::divideByClassType(banj2_, jl_, Check1->isChecked(), chosenRule(), random_ ? *random_ : fresh);
}

void Form7::StartManualDivision() {
    Combo3->clear();
    for (const dv::DivisionClass& c : banj2_)
        Combo3->addItem(c.cls);
    const int first = dv::nextUnplaced(jl_, 0);
    if (first < 0) {
        endManualPass();
        return;
    }
    showManualStudent(first);
}

void Form7::showManualStudent(int index) {
    const dv::DivisionStudent& s = jl_[size_t(index)];
    Label7->setText(dv::manualLabel(s));
    Combo3->setEditText(s.newClass);
    ManualCursor = index;
}

void Form7::Command11_Click() {
    if (ManualCursor >= 0 && ManualCursor < int(jl_.size())) {
        const QString cls = Combo3->currentText().left(2).leftJustified(2, QLatin1Char(' '));
        // Only a class of the plan: any other has no row to go with it.
        const bool planned =
            std::any_of(banj2_.begin(), banj2_.end(), [&](const dv::DivisionClass& c) { return c.cls == cls; });
        if (!planned) {
            say(QStringLiteral("你只能选择列表框中的班。"));
            return;
        }
        jl_[size_t(ManualCursor)].newClass = cls;
        jl_[size_t(ManualCursor)].placed = true;
    }
    const int next = dv::nextUnplaced(jl_, ManualCursor);
    if (next < 0) {
        endManualPass();
        return;
    }
    showManualStudent(next);
}

void Form7::Command10_Click() {
    ManualCursor = int(jl_.size());
    Command11_Click();
}

void Form7::Command9_Click() {
    Frame2[2]->hide();
    Frame2[1]->show();
}

void Form7::endManualPass() {
    Frame2[2]->hide();
    Frame2[1]->show();
    openAdjustmentView();
}

void Form7::openAdjustmentView() {
    Frame1[0]->hide();
    Frame1[1]->show();
    ShowDivisionSummary();
    Combo2->clear();
    for (const dv::DivisionClass& c : banj2_)
        Combo2->addItem(c.cls);
    Combo2->setEditText(Combo2->itemText(0));
    ShowClassStudents();
}

void Form7::ShowDivisionSummary() {
    List4->clear();
    List4->addItems(dv::summaryLines(banj2_, jl_));
}

void Form7::ShowClassStudents() {
    List3->clear();
    QStringList lines;
    lines.reserve(int(jl_.size()));
    for (const dv::DivisionStudent& s : jl_)
        lines << dv::studentLine(s);
    List3->addItems(lines);
}

void Form7::Command6_Click() {
    const QString cls = Combo2->currentText();
    if (Combo2->findText(cls, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) {
        say(QStringLiteral("你只能选择列表框中的班。"));
        return;
    }
    for (int row = 0; row < List3->count() && row < int(jl_.size()); ++row) {
        QListWidgetItem* item = List3->item(row);
        if (!item->isSelected())
            continue;
        jl_[size_t(row)].newClass = cls;
        item->setText(dv::studentLine(jl_[size_t(row)]));
    }
    ShowDivisionSummary();
}

void Form7::Command7_Click() {
    Frame1[0]->show();
    Frame1[1]->hide();
    DivisionPending = false;
}

void Form7::Command12_Click() {
    DivisionPending = false;
    close();
}

bool Form7::writeDivision() {
    try {
        dv::writeDivision(*db_, DivisionGrade, dividedClasses_, banj2_, jl_);
        return true;
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(QStringLiteral("分班结果没有写入，数据库没有改变。\n%1").arg(e.text()),
                                    platform::MsgButtons::Ok, platform::kErrorTitle);
        return false;
    }
}

void Form7::Command8_Click() {
    if (!writeDivision())
        return;
    DivisionPending = false;
    close();
}

void Form7::closeEvent(QCloseEvent* event) {
    if (DivisionPending) {
        const auto answer = platform::dialogs().message(QStringLiteral("分班后的数据尚未写入,是否要将这些数据写入?"),
                                                        platform::MsgButtons::YesNoCancel,
                                                        QStringLiteral("未保存更改"));
        if (answer == platform::MsgResult::Cancel || (answer == platform::MsgResult::Yes && !writeDivision())) {
            event->ignore();
            return;
        }
        DivisionPending = false;
    }
    event->accept();
}

} // namespace maintenance
