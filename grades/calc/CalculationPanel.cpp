#include "grades/calc/CalculationPanel.h"

#include "common/settings_rows.h"
#include "grades/calc/core/formula.h"
#include "grades/calc/core/teacher_stage.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/text/coarse_clock.h"
#include "platform/text/gbk.h"
#include "platform/text/system_errors.h"
#include "platform/text/values.h"
#include "platform/text/whole_file.h"
#include "platform/ui/dialogs.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <chrono>
#include <utility>
#include <vector>

namespace {

// The settings rows of the panel and the box each is typed in.
struct SettingBox {
    int row;
    const char* box;
    const char* caption;   // how a message names the box
};
const SettingBox kFormulaBoxes[] = {{17, "Te52", "教师考绩分第一部分"},
                                    {18, "Text3", "教师考绩分第二部分"},
                                    {19, "Text4", "教师考绩分第三部分"},
                                    {25, "Text5", "教师考绩分第四部分"}};
const SettingBox kLineBoxes[] = {{20, "Te51_0", "优生分数"}, {21, "Te51_1", "及格分数"}, {22, "Te51_2", "差生分数"}};
constexpr int kSettingWidth = 25;   // characters of 状态

platform::MsgButtons buttonsOf(RunButtons b) {
    switch (b) {
    case RunButtons::Ok: return platform::MsgButtons::Ok;
    case RunButtons::YesNo: return platform::MsgButtons::YesNo;
    case RunButtons::YesNoCancel: return platform::MsgButtons::YesNoCancel;
    }
    return platform::MsgButtons::Ok;
}

platform::MsgResult resultOf(RunAnswer a) {
    switch (a) {
    case RunAnswer::Ok: return platform::MsgResult::Ok;
    case RunAnswer::Yes: return platform::MsgResult::Yes;
    case RunAnswer::No: return platform::MsgResult::No;
    case RunAnswer::Cancel: return platform::MsgResult::Cancel;
    }
    return platform::MsgResult::Ok;
}

RunAnswer answerOf(platform::MsgResult r) {
    switch (r) {
    case platform::MsgResult::Ok: return RunAnswer::Ok;
    case platform::MsgResult::Yes: return RunAnswer::Yes;
    case platform::MsgResult::No: return RunAnswer::No;
    default: return RunAnswer::Cancel;
    }
}

} // namespace

// The run's window side: the panel's lock, labels and bar, and the dialogs.
class RunOnPanel : public CalculationHost {
public:
    explicit RunOnPanel(CalculationPanel& panel) : p_(panel), w_(*panel.host_->hostWindow()) {}

    bool stopRequested() override {
        // Yielding at every mark would cost more than the marks; a stop
        // still takes effect at the next poll after the click is seen.
        const auto now = Clock::now();
        if (now - lastYield_ >= std::chrono::milliseconds(25)) {
            QCoreApplication::processEvents();
            lastYield_ = Clock::now();
        }
        return p_.StopRequested;
    }
    void clearStopRequest() override { p_.StopRequested = false; }
    void progress(float share) override {
        QWidget* te50 = p_.control("Te50");
        te50->resize(int(share * float(p_.control("Pict50")->width())), te50->height());
    }
    void stageChanged(int label) override {
        QWidget* te50 = p_.control("Te50");
        QWidget* lab = p_.controls_.get<QWidget>(QStringLiteral("Lab51_%1").arg(label));
        QPalette pal = lab->palette();
        pal.setColor(QPalette::Window, te50->palette().color(QPalette::Base));
        pal.setColor(QPalette::WindowText, te50->palette().color(QPalette::Text));
        lab->setAutoFillBackground(true);
        lab->setPalette(pal);
        te50->resize(0, te50->height());
        p_.control("Pict50")->repaint();
        lab->repaint();
        te50->repaint();
    }
    void clearStages() override {
        const QColor back = p_.control("Frame10_1")->palette().color(QPalette::Window);
        for (int i = 0; i <= 6; ++i) {
            QWidget* lab = p_.controls_.get<QWidget>(QStringLiteral("Lab51_%1").arg(i));
            QPalette pal = lab->palette();
            pal.setColor(QPalette::Window, back);
            lab->setPalette(pal);
        }
    }
    void untick(const QString& box) override {
        p_.controls_.get<QCheckBox>(box)->setChecked(false);
        if (box == QLatin1String("Check55"))
            p_.Check55_Click();   // the previous-term controls go with it
    }

    void lock() override {
        QWidget* te50 = p_.control("Te50");
        te50->resize(0, te50->height());
        for (const char* f : {"Frame7", "Frame8", "Frame9"})
            p_.control(f)->setEnabled(false);
        for (const auto& b : kFormulaBoxes)
            p_.edit(b.box)->setReadOnly(true);
        p_.control("Frame10_0")->setVisible(false);
        QWidget* progress = p_.control("Frame10_1");
        progress->setVisible(true);
        progress->repaint();
        // The rest of the program waits for the run: its panel buttons, menus
        // and other windows would otherwise pull the data from under it.
        for (QPushButton* button : p_.host_->panelButtons())
            keep(button);
        for (QAction* a : qobject_cast<QMainWindow*>(&w_)->menuBar()->actions()) {
            actions_.emplace_back(a, a->isEnabled());
            a->setEnabled(false);
        }
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top != &w_ && top->isVisible() && top->isWindow() && !qobject_cast<QMenu*>(top))
                keep(top);
    }
    void unlock() override {
        for (const char* f : {"Frame7", "Frame8", "Frame9"})
            p_.control(f)->setEnabled(true);
        for (const auto& b : kFormulaBoxes)
            p_.edit(b.box)->setReadOnly(false);
        p_.control("Frame10_0")->setVisible(true);
        p_.control("Frame10_1")->setVisible(false);
        // Back to what they were, the lock level's refusals included.
        for (auto& [widget, enabled] : widgets_)
            if (widget)
                widget->setEnabled(enabled);
        for (auto& [action, enabled] : actions_)
            if (action)
                action->setEnabled(enabled);
        widgets_.clear();
        actions_.clear();
    }
    void finishPanel() override { p_.host_->Comout_Click(0); }
    RunAnswer message(const QString& text, RunButtons buttons, const QString& title,
                      RunAnswer defaultButton) override {
        return answerOf(platform::dialogs().messageWithDefault(text, buttonsOf(buttons), title, resultOf(defaultButton)));
    }
    QString input(const QString& prompt, const QString& title, const QString& defaultText) override {
        return platform::dialogs().input(prompt, title, defaultText);
    }

private:
    using Clock = platform::CoarseClock;
    void keep(QWidget* w) {
        if (!w)
            return;
        widgets_.emplace_back(w, w->isEnabled());
        w->setEnabled(false);
    }
    CalculationPanel& p_;
    QWidget& w_;
    Clock::time_point lastYield_ = Clock::now();
    std::vector<std::pair<QPointer<QWidget>, bool>> widgets_;
    std::vector<std::pair<QPointer<QAction>, bool>> actions_;
};

void CalculationPanel::bind(PanelHost& host) {
    host_ = &host;
    controls_ = host.controlsOf(*this);
    // Every control the panel fills, looked up now so that a wrong name stops the start.
    for (const char* name : {"Option51", "Option52", "Option53"})
        controls_.get<QRadioButton>(QLatin1String(name));
    for (const char* name : {"Check51", "Check52", "Check53", "Check54"})
        controls_.get<QCheckBox>(QLatin1String(name));
    for (const char* name : {"Te52", "Text3", "Text4", "Text5", "Te51_0", "Te51_1", "Te51_2"})
        controls_.get<QLineEdit>(QLatin1String(name));
    for (const char* name : {"Frame10_0", "Frame10_1", "La54", "La56", "Te53", "Com53"})
        controls_.get<QWidget>(QLatin1String(name));
    Ad50 = &controls_.data(QStringLiteral("Ad50"));
    Ad51 = &controls_.data(QStringLiteral("Ad51"));
    connect(controls_.get<QCheckBox>(QStringLiteral("Check55")), &QCheckBox::clicked, this,
            [this] { Check55_Click(); });
    auto onClick = [this](const char* name, void (CalculationPanel::*handler)()) {
        connect(controls_.get<QPushButton>(QLatin1String(name)), &QPushButton::clicked, this,
                [this, handler] { (this->*handler)(); });
    };
    onClick("Command9", &CalculationPanel::Command9_Click);
    onClick("Com53", &CalculationPanel::Com53_Click);
    onClick("Command10", &CalculationPanel::Command10_Click);
    onClick("Com51", &CalculationPanel::Com51_Click);
    connect(edit("Te53"), &QLineEdit::textChanged, this, [this] { Te53_Change(); });
    for (const char* name : {"Te50", "Pict50", "Lab51_0", "Lab51_6"})
        control(name);
    // A formula part is stored in one 状态 value.
    for (const auto& b : kFormulaBoxes)
        edit(b.box)->setMaxLength(kSettingWidth);
    host.hostWindow()->installEventFilter(this);
}

QWidget* CalculationPanel::control(const char* name) const { return controls_.get<QWidget>(QLatin1String(name)); }

QLineEdit* CalculationPanel::edit(const char* name) const { return controls_.get<QLineEdit>(QLatin1String(name)); }

QCheckBox* CalculationPanel::check(const char* name) const { return controls_.get<QCheckBox>(QLatin1String(name)); }

void CalculationPanel::load() {
    Check55_Click();
    controls_.get<QWidget>(QStringLiteral("Frame10_1"))->setVisible(false);
    controls_.get<QWidget>(QStringLiteral("Frame10_0"))->setVisible(true);
    try {
        const SettingsRows rows = host_->settings();
        const QString scope = rows.value(Setting::ComparisonRange);
        if (scope == QLatin1String("1") || scope == QLatin1String("2") || scope == QLatin1String("3"))
            controls_.get<QRadioButton>(QStringLiteral("Option5") + scope)->setChecked(true);
        const char* checks[] = {"Check51", "Check52", "Check53", "Check54"};
        for (int i = 0; i < 4; ++i)
            controls_.get<QCheckBox>(QLatin1String(checks[i]))
                ->setChecked(rows.value(Setting(int(Setting::AskOnZeroMark) + i)) == QLatin1String("t"));
        const std::pair<Setting, const char*> formulas[] = {{Setting::TeacherFormula1, "Te52"},
                                                                {Setting::TeacherFormula2, "Text3"},
                                                                {Setting::TeacherFormula3, "Text4"},
                                                                {Setting::TeacherFormula4, "Text5"}};
        for (const auto& [row, box] : formulas)
            controls_.get<QLineEdit>(QLatin1String(box))->setText(rows.value(row));
        const Setting lines[] = {Setting::ExcellentLine, Setting::PassLine, Setting::PoorLine};
        for (int i = 0; i < 3; ++i)
            controls_.get<QLineEdit>(QStringLiteral("Te51_%1").arg(i))->setText(rows.value(lines[i]));
        for (const auto& [row, box] : formulas) {
            auto* edit = controls_.get<QLineEdit>(QLatin1String(box));
            edit->setToolTip(edit->text());
        }
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle,
                                    platform::MsgIcon::Warning);
    }
}

void CalculationPanel::Check55_Click() {
    const bool on = controls_.get<QCheckBox>(QStringLiteral("Check55"))->isChecked();
    for (const char* name : {"La54", "La56", "Te53", "Com53"})
        controls_.get<QWidget>(QLatin1String(name))->setVisible(on);
}

void CalculationPanel::finish() {
    form2::emptyDataControl(*Ad51);
    form2::emptyDataControl(*Ad50);
}

CalculationInputs CalculationPanel::inputs() const {
    CalculationInputs in;
    auto text = [this](const char* box) { return edit(box)->text(); };
    auto ticked = [this](const char* box) { return check(box)->isChecked(); };
    in.excellentLine = text("Te51_0");
    in.passLine = text("Te51_1");
    in.poorLine = text("Te51_2");
    for (int i = 0; i < 4; ++i)
        in.formulas[i] = text(kFormulaBoxes[i].box);
    in.askZeroMark = ticked("Check51");
    in.askZeroTotal = ticked("Check52");
    in.noNegativeSum = ticked("Check53");
    in.noNegativePart = ticked("Check54");
    in.scope = controls_.get<QRadioButton>(QStringLiteral("Option51"))->isChecked()   ? 1
               : controls_.get<QRadioButton>(QStringLiteral("Option53"))->isChecked() ? 3
                                                                                   : 2;
    in.previousTerm = ticked("Check55");
    in.previousTermPath = text("Te53");
    return in;
}

void CalculationPanel::Command9_Click() {
    const CalculationInputs in = inputs();
    std::vector<std::pair<int, QString>> rows;
    rows.emplace_back(12, QString::number(in.scope));
    const bool checks[] = {in.askZeroMark, in.askZeroTotal, in.noNegativeSum, in.noNegativePart};
    for (int i = 0; i < 4; ++i)
        rows.emplace_back(13 + i, checks[i] ? QStringLiteral("t") : QStringLiteral("f"));

    // 状态 holds 25 characters: a longer value is refused before any row is
    // written, so the settings are never left half stored.
    std::vector<const SettingBox*> boxes;
    for (const auto& b : kFormulaBoxes) {
        const QString t = platform::trimBlanks(in.formulas[&b - kFormulaBoxes]);
        rows.emplace_back(b.row, t.isEmpty() ? QStringLiteral("0") : t);
        boxes.push_back(&b);
    }
    const QString lines[] = {in.excellentLine, in.passLine, in.poorLine};
    for (int i = 0; i < 3; ++i) {
        rows.emplace_back(kLineBoxes[i].row, lines[i]);
        boxes.push_back(&kLineBoxes[i]);
    }
    // The database keeps no empty text either.
    for (std::size_t i = 5; i < rows.size(); ++i) {
        const qsizetype length = platform::characters(rows[i].second).size();
        if (length > 0 && length <= kSettingWidth)
            continue;
        const SettingBox* b = boxes[i - 5];
        const QString box = QStringLiteral("“") + QString::fromUtf8(b->caption) + QStringLiteral("”");
        platform::dialogs().message(
            length ? box + QStringLiteral("中的内容超过了%1个字符,无法保存为默认值.请修改后再保存.").arg(kSettingWidth)
                   : box + QStringLiteral("是空的,无法保存为默认值.请填写后再保存."),
            platform::MsgButtons::Ok, platform::kPromptTitle);
        control(b->box)->setFocus();
        return;
    }
    try {
        auto db = host_->dataControl(QStringLiteral("Adodc0")).database();
        platform::db::Transaction t(*db);
        const SettingsRows settings = host_->settings();
        for (const auto& [row, value] : rows)
            settings.store(Setting(row), value);
        t.commit();
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle);
    }
}

void CalculationPanel::Com53_Click() {
    platform::FileRequest request;
    request.filter = QStringLiteral("数据库文件(*.mdb)|*.mdb|所有文件(*.*)|*.*");
    request.fileName = edit("Te53")->text();
    const auto chosen = platform::dialogs().openFile(request);
    if (!chosen || chosen->isEmpty())
        return;
    if (QFileInfo(*chosen).isFile())
        edit("Te53")->setText(*chosen);
    else if (const int e = platform::plainFileState(*chosen); e == platform::kNotAPlainFile)
        platform::dialogs().message(platform::cannotOpenFileText(*chosen, e), platform::MsgButtons::Ok,
                                    QStringLiteral("打开数据库文件"));
    else
        platform::dialogs().message(QStringLiteral("文件") + *chosen + QStringLiteral("不存在,请重新选择?"),
                                    platform::MsgButtons::Ok, QStringLiteral("打开数据库文件"));
}

void CalculationPanel::Te53_Change() {
    auto* te53 = edit("Te53");
    te53->setToolTip(te53->text());
}

void CalculationPanel::Command10_Click() { StopRequested = true; }

void CalculationPanel::Com51_Click() {
    if (running_)
        return;
    RunOnPanel host(*this);
    CalculationRun run(host_->dataControl(QStringLiteral("Adodc0")).database(), inputs(), host, calc::FormulaTestRun);
    // Row 26 goes through the main window's settings cursor, whose rows the
    // teacher assessment view reads.
    run.setLaterStage(teacherStage([this](const QString& table) {
        host_->settings().store(Setting::AssessmentScoreTable, table);
    }));
    // Any way out of the run, an exception included, lets the panel run again;
    // a close asked for meanwhile is carried out only after a run that ended.
    bool closeAfter = false;
    {
        running_ = true;
        const auto ended = qScopeGuard([this, &closeAfter] {
            running_ = false;
            closeAfter = std::exchange(closePending_, false);
        });
        run.run();
    }
    if (closeAfter)
        host_->hostWindow()->close();
}

bool CalculationPanel::eventFilter(QObject* watched, QEvent* event) {
    // Closing the window during a run asks the run to stop; the window closes
    // once the run has ended and kept what it wrote.
    if (watched == host_->hostWindow() && event->type() == QEvent::Close && running_) {
        StopRequested = true;
        closePending_ = true;
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

