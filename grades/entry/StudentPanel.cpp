#include "grades/entry/StudentPanel.h"

#include "common/program_state.h"
#include "common/settings_files.h"
#include "common/settings_rows.h"
#include "platform/db/datacontrol.h"
#include "platform/dbui/datagrid.h"
#include "platform/db/recordset.h"
#include "platform/text/values.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/fit_text.h"
#include "platform/ui/key_filter.h"
#include "platform/ui/twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QWidget>

using RosterOutcome = entry::ClassRoster::Outcome;

namespace {
const QString& kPrompt = platform::kPromptTitle;
}

StudentPanel::StudentPanel() = default;
StudentPanel::~StudentPanel() = default;

QString StudentPanel::chosenClass() const { return Combo1->currentText(); }

void StudentPanel::bind(PanelHost& host) {
    host_ = &host;
    host.offer<entry::StudentClassChoice>(*this);
    const PanelControls c = host.controlsOf(*this);
    Combo1 = c.get<QComboBox>(QStringLiteral("Combo1"));
    Te11 = c.get<QLineEdit>(QStringLiteral("Te11"));
    tx12 = c.get<QLineEdit>(QStringLiteral("tx12"));
    la10 = c.get<QLabel>(QStringLiteral("la10"));
    la15 = c.get<QLabel>(QStringLiteral("la15"));
    // A school may be one class of thousands: the count reads whole up to five digits.
    la15->setFont(platform::fittedFont(QStringLiteral("00000"), la15->font(), platform::twipsToPixels(kClassSizeWidth)));
    la18 = c.get<QLabel>(QStringLiteral("la18"));
    Com10 = c.get<QPushButton>(QStringLiteral("Com10"));
    Com12 = c.get<QPushButton>(QStringLiteral("Com12"));
    Com13 = c.get<QPushButton>(QStringLiteral("Com13"));
    Comm11 = c.get<QPushButton>(QStringLiteral("Comm11"));
    Che11 = c.get<QCheckBox>(QStringLiteral("Che11"));
    DataGrid1 = c.grid(QStringLiteral("DataGrid1"));
    Ad1 = &c.data(QStringLiteral("Ad1"));
    roster_ = std::make_unique<entry::ClassRoster>(*Ad1);

    // The name field holds three characters; the box takes a fourth so that
    // Enter can cut a name typed too long.
    Te11->setMaxLength(4);
    Te11->setFont(QFont(QStringLiteral("宋体"), 15, QFont::Bold));
    tx12->setMaxLength(3);
    QPalette face = tx12->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    tx12->setPalette(face);
    Che11->setChecked(true);

    roster_->setGridVisible = [this](bool visible) { DataGrid1->setVisible(visible); };

    connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
    connect(Com10, &QPushButton::clicked, this, [this] { Com10_Click(); });
    connect(Com12, &QPushButton::clicked, this, [this] { Com12_Click(); });
    connect(Com13, &QPushButton::clicked, this, [this] { Com13_Click(); });
    connect(Comm11, &QPushButton::clicked, this, [this] { Comm11_Click(); });
    connect(Ad1, &platform::db::DataControl::willMove, this, [this] { Ad1_WillMove(); });
    connect(Ad1, &platform::db::DataControl::moveComplete, this, [this] { Ad1_MoveComplete(); });
    Te11->installEventFilter(this);
    platform::filterKeys(Te11, [this](int16_t& key) { Te11_KeyPress(key); });
}

bool StudentPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Te11 && event->type() == QEvent::FocusIn) {
        // After the box's own focus handling, which may place the cursor.
        QMetaObject::invokeMethod(this, [this] { Te11_GotFocus(); }, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

bool StudentPanel::mayOpen() {
    if (!host_->dataControl(QStringLiteral("Adodc0")).recordset())
        return true;
    try {
        if (host_->settings().value(Setting::ExamCardsPrinted) != QStringLiteral("是"))
            return true;
    } catch (const platform::db::DbError&) {
        return true;   // a settings table without row 8 marks nothing as printed
    }
    return platform::dialogs().message(
               QStringLiteral("考号已经打印,请不要再对学生情况作修改,否则可能会给你输入成绩时带来一些麻烦.你确实要修改学生情况吗?"),
               platform::MsgButtons::YesNo, kPrompt) == platform::MsgResult::Yes;
}

void StudentPanel::load() {
    Combo1->clear();
    try {
        auto db = openProgramDatabase();
        Combo1->addItems(entry::classLabels(*db));
    } catch (const platform::db::DbError& e) {
        reportFailure(e.text());
        return;
    }
    if (Combo1->count() > 0)
        Combo1->setCurrentIndex(0);
    Combo1_Click();
}

void StudentPanel::finish() {
    // A name typed in the list and not yet left counts as entered. A busy
    // file refuses it before the panel changes: it stays with the typing.
    DataGrid1->commitEditor();
    if (platform::db::Recordset* rs = Ad1->recordset())
        rs->update();
    Combo1->setEnabled(true);
    Te11->setEnabled(false);
    tx12->setEnabled(false);
    if (!StoreStudentCount(state().DatabaseFolder, state().StudentCount))
        reportFailure(QStringLiteral("学生总人数没有能保存到scro.dat中。"));
    DataGrid1->setDataSource(nullptr);
    Ad1->close();
    Ad1->setRecordSource(QString());
    Ad1->setCaption(QString());
    la18->clear();
    la10->clear();
    la15->clear();
    Comm11->setEnabled(false);
}

void StudentPanel::Combo1_Click() {
    // A class that cannot be read ends the choice without a message.
    try {
        DataGrid1->setDataSource(nullptr);
        const QString label = Combo1->currentText();
        if (Ad1->connectionString().isEmpty())
            Ad1->setConnectionString(state().connectionText());
        host_->CurrentGradeId = gradeOfLabel(label);
        host_->CurrentClassId = classOfLabel(label);
        roster_->open(host_->CurrentGradeId, host_->CurrentClassId);
        Te11->clear();
        DataGrid1->setDataSource(Ad1);
        DataGrid1->rebind();
        Comm11->setEnabled(true);
        Te11->setEnabled(true);
        tx12->setEnabled(true);
        tx12->setText(roster_->offerNumber());
    } catch (const platform::db::DbError&) {
    }
}

void StudentPanel::offer(const entry::ClassRoster::Result& result) {
    if (result.offered)
        tx12->setText(*result.offered);
}

void StudentPanel::reportFailure(const QString& text) {
    platform::dialogs().message(text, platform::MsgButtons::Ok, kPrompt);
}

void StudentPanel::report(entry::ClassRoster::Result result) {
    offer(result);
    switch (result.outcome) {
    case RosterOutcome::NameTooLong:
        reportFailure(QStringLiteral("学生的名字最多只能有%1个字!").arg(entry::kNameLength));
        break;
    case RosterOutcome::BadNumber:
        reportFailure(QStringLiteral("新同学的学号只能是1到3位数字!"));
        break;
    case RosterOutcome::NumberTaken:
        reportFailure(QStringLiteral("这个班已经有学号为%1的同学了,请换一个学号!")
                          .arg(platform::trimBlanks(tx12->text())));
        break;
    case RosterOutcome::SerialsUsedUp:
        reportFailure(QStringLiteral("%1级的学生编号(STID)已经用完,不能再增加学生!")
                          .arg(roster_->gradeId()));
        break;
    default:
        break;
    }
}

void StudentPanel::change(const std::function<entry::ClassRoster::Result()>& work) {
    // The roster goes back to the student chosen, which shows that student's
    // name: the boxes keep what was typed for the next try (a busy file is soon free).
    const QString name = Te11->text(), number = tx12->text();
    try {
        report(work());
    } catch (const platform::db::DbError& e) {
        reportFailure(e.text());
        Te11->setText(name);
        tx12->setText(number);
    }
}

void StudentPanel::Com10_Click() {
    change([this] { return roster_->add(Te11->text(), tx12->text()); });
}

void StudentPanel::Com12_Click() {
    change([this] { return roster_->insert(Te11->text(), tx12->text()); });
}

void StudentPanel::Com13_Click() {
    change([this] { return roster_->rename(Te11->text()); });
}

void StudentPanel::Comm11_Click() {
    change([this] { return roster_->remove(Che11->isChecked()); });
}

void StudentPanel::Te11_GotFocus() {
    Te11->selectAll();
}

void StudentPanel::Te11_KeyPress(int16_t& keyAscii) {
    if (keyAscii > 13) {
        keyAscii = 0;
        platform::dialogs().message(QStringLiteral("学生的名字只能使用汉字!"), platform::MsgButtons::Ok, kPrompt);
        return;
    }
    if (keyAscii != 13)
        return;
    keyAscii = 0;
    QString name = platform::trimBlanks(Te11->text());
    name.remove(u' ');
    if (name.size() <= entry::kNameLength) {
        Te11->setText(name);
        Com10_Click();
        Te11->selectAll();
        Te11->setFocus();
    } else {
        Te11->setText(name.left(entry::kNameLength));
    }
}

void StudentPanel::Ad1_WillMove() {
    platform::db::Recordset* rs = Ad1->recordset();
    if (!rs || rs->absolutePosition() <= 0)
        return;
    // Failures of the display are skipped one by one.
    try { la18->setText(rs->value(QStringLiteral("学号")).toString()); } catch (const platform::db::DbError&) {}
    try { la10->setText(rs->value(QStringLiteral("姓名")).toString()); } catch (const platform::db::DbError&) {}
}

void StudentPanel::Ad1_MoveComplete() {
    if (DataGrid1->isHidden())
        return;
    platform::db::Recordset* rs = Ad1->recordset();
    if (!rs)
        return;
    if (rs->recordCount() == 0) {
        Ad1->setCaption(QString());
        return;
    }
    la15->setText(QString::number(rs->recordCount()));
    if (rs->absolutePosition() <= 0)
        return;
    try {
        Ad1->setCaption(rs->value(QStringLiteral("学号")).toString() + QStringLiteral("  ") +
                        rs->value(QStringLiteral("姓名")).toString());
    } catch (const platform::db::DbError&) {}
    try {
        Te11->setText(rs->value(QStringLiteral("姓名")).toString());
        Te11->setFocus();
        Te11->selectAll();
    } catch (const platform::db::DbError&) {}
}
