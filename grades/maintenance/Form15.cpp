#include "grades/maintenance/Form15.h"

#include "common/program_state.h"
#include "platform/db/datacontrol.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/dbui/datacontrolbar.h"
#include "platform/dbui/datagrid.h"
#include "platform/ui/build_control.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/show_modeless.h"
#include "platform/ui/twips.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <optional>

using Outcome = maintenance::IntegrityWalk::Outcome;

namespace {

const QString kStartCaption = QStringLiteral("开始");
const QString kGoOn = QStringLiteral("继续");

QString shown(const QVariant& v) { return v.isNull() ? QString() : v.toString(); }

} // namespace

Form15::Form15(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint) {
    setObjectName(QStringLiteral("Form15"));
    setWindowTitle(QStringLiteral("检查数据的完整性"));
    setAttribute(Qt::WA_DeleteOnClose);
    platform::resizeTwips(*this, 9600, 6480);

    const char* captions[] = {"年级:", "班:", "姓名:"};
    const int lefts[] = {120, 2280, 4080};
    for (int i = 0; i < 3; ++i) {
        Label1[i] = platform::buildControl<QLabel>(this, QStringLiteral("Label1_%1").arg(i), lefts[i], 180, 615, 255,
                                         QString::fromUtf8(captions[i]));
    }
    Combo1 = platform::buildControl<platform::ComboBox>(this, "Combo1", 735, 120, 1335, 300, {}, true);
    Combo2 = platform::buildControl<platform::ComboBox>(this, "Combo2", 2700, 120, 1215, 300, {}, true);
    Text1 = platform::buildControl<QLineEdit>(this, "Text1", 4695, 120, 1215, 300);
    Text1->setMaxLength(3);
    Command1 = platform::buildControl<QPushButton>(this, "Command1", 6240, 60, 1335, 420, kStartCaption);

    Adodc1Bar = platform::buildControl<platform::db::DataControlBar>(this, "Adodc1", 120, 600, 9360, 330);
    DataGrid1 = platform::buildControl<platform::db::DataGrid>(this, "DataGrid1", 120, 1020, 9360, 5340);

    connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
    connect(Command1, &QPushButton::clicked, this, &Form15::Command1_Click);
    connect(&Adodc1(), &platform::db::DataControl::moveComplete, this, &Form15::Adodc1_MoveComplete);
    Form_Load();
}

Form15::~Form15() = default;

Form15* Form15::showFor(QWidget* owner) {
    return platform::showModeless<Form15>(owner, [owner] { return new Form15(owner); });
}

platform::db::DataControl& Form15::Adodc1() { return Adodc1Bar->control(); }

void Form15::Form_Load() {
    try {
        Adodc1().setConnectionString(state().connectionText());
        Adodc1().setCommandType(8);
        Adodc1().setRecordSource(QStringLiteral("成绩表"));
        Adodc1().refresh();
        grades_ = maintenance::loadCheckGrades(*Adodc1().database());
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle);
    }
    DataGrid1->setDataSource(&Adodc1());
    Combo1->clear();
    for (const auto& g : grades_)
        Combo1->addItem(g.grade);
    Combo1->setEditText(QString());
    Combo2->setEditText(QString());
    Command1->setText(kStartCaption);
    Adodc1_MoveComplete();
}

void Form15::Adodc1_MoveComplete() {
    platform::db::Recordset* rs = Adodc1().recordset();
    if (!rs)
        return;
    Adodc1().setCaption(QStringLiteral("共有%1个,正在处理第%2个同学.").arg(rs->recordCount()).arg(rs->absolutePosition()));
}

void Form15::Combo1_Click() {
    for (const auto& g : grades_) {
        if (g.grade != Combo1->currentText())
            continue;
        Combo2->clear();
        Combo2->addItems(g.classes);
        Combo2->setEditText(g.classes.value(0));
        return;
    }
}

void Form15::showStop() {
    platform::db::Recordset* rs = Adodc1().recordset();
    Combo1->setEditText(shown(rs->value(1)));
    Combo2->setEditText(shown(rs->value(2)));
    Text1->setText(shown(rs->value(3)));
    if (Combo2->currentText().isEmpty() && !Combo1->currentText().isEmpty()) {
        if (const auto* g = walk_->gradeOf(Combo1->currentText())) {
            Combo2->clear();
            Combo2->addItems(g->classes);
            Combo2->setEditText(QString());
        }
    }
    Command1->setText(kGoOn);
}

void Form15::finished() {
    Command1->setText(kStartCaption);
    if (!walk_->exhaustedGrades().isEmpty())
        platform::dialogs().message(
            QStringLiteral("%1级的学号已经用完，这些同学没有得到新的学号。").arg(walk_->exhaustedGrades().join(QStringLiteral("级、"))),
            platform::MsgButtons::Ok, platform::kPromptTitle);
    platform::dialogs().message(QStringLiteral("检查完毕！"), platform::MsgButtons::Ok, QStringLiteral("OK"));
}

bool Form15::walkBack(platform::db::Recordset& rs, qint64 rowid) {
    try {
        for (int r = 0; r < rs.recordCount(); ++r)
            if (rs.rowIdAt(r) == rowid) {
                rs.setAbsolutePosition(r + 1);
                return true;
            }
    } catch (const platform::db::DbError&) {
    }
    return false;
}

void Form15::Command1_Click() {
    Combo1->setEditText(Combo1->currentText().trimmed());
    Combo2->setEditText(Combo2->currentText().trimmed());
    Text1->setText(Text1->text().trimmed());
    platform::db::Recordset* rs = Adodc1().recordset();
    if (!rs)
        return;
    const bool goingOn = Command1->text() == kGoOn && walk_;
    if (goingOn && (Combo1->currentText().isEmpty() || Combo2->currentText().isEmpty() || Text1->text().isEmpty()) &&
        platform::dialogs().message(QStringLiteral("还留有空白内容没有填写,继续让它保持空白吗?"),
                                    platform::MsgButtons::YesNo) != platform::MsgResult::Yes)
        return;
    if (!goingOn) {
        if (rs->recordCount() == 0) {
            close();
            return;
        }
        // Without grade levels every student would lose his grade level.
        if (grades_.empty()) {
            platform::dialogs().message(QStringLiteral("年级表中没有任何年级，请先增加年级再检查！"),
                                        platform::MsgButtons::Ok, platform::kPromptTitle);
            return;
        }
        walk_ = std::make_unique<maintenance::IntegrityWalk>(*rs, grades_);
    }
    // One click's writes go in one transaction, committed where it stops or
    // ends. The grid shows where the walk stopped, not every row it passed.
    Outcome outcome = Outcome::Stopped;
    DataGrid1->setDataSource(nullptr);
    struct Rebind {
        Form15* f;
        ~Rebind() { f->DataGrid1->setDataSource(&f->Adodc1()); }
    } rebind{this};
    // Where the walk stood, for a step its commit refuses: the rollback undoes
    // the step's writes, so the walk goes back to the student it stopped at.
    struct Before {
        std::vector<maintenance::CheckGrade> grades;
        maintenance::IntegrityWalk walk;
        qint64 stoppedAt;
        QString grade, cls, name;
    };
    std::optional<Before> before;
    if (goingOn)
        before.emplace(Before{grades_, *walk_, rs->rowIdAt(rs->currentIndex()), Combo1->currentText(),
                              Combo2->currentText(), Text1->text()});
    bool begun = false;
    try {
        platform::db::Transaction change(*Adodc1().database());
        begun = true;
        if (goingOn) {
            const QString refusal =
                walk_->resume(Combo1->currentText(), Combo2->currentText(), Text1->text(), outcome);
            if (!refusal.isEmpty()) {
                platform::dialogs().message(refusal, platform::MsgButtons::Ok, platform::kPromptTitle);
                return;
            }
            Combo1->setEditText(QString());
            Combo2->setEditText(QString());
            Text1->clear();
        } else {
            Command1->setText(kGoOn);
            outcome = walk_->start();
        }
        change.commit();
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(QStringLiteral("检查没有完成，这一步的修改没有保存。\n%1").arg(e.text()),
                                    platform::MsgButtons::Ok, platform::kErrorTitle);
        // A busy file refused the step before it began: the walk stays where
        // it stopped, with what was typed, for 继续 once the file is free.
        if (!begun && e.kind() == platform::db::DbError::Busy)
            return;
        // Busy at the commit: the step was undone, and the walk stands again
        // where it stopped, with what was typed.
        if (before && e.kind() == platform::db::DbError::Busy && walkBack(*rs, before->stoppedAt)) {
            grades_ = std::move(before->grades);
            walk_ = std::make_unique<maintenance::IntegrityWalk>(before->walk);
            Combo1->setEditText(before->grade);
            Combo2->setEditText(before->cls);
            Text1->setText(before->name);
            Command1->setText(kGoOn);
            return;
        }
        Command1->setText(kStartCaption);
        return;
    }
    if (outcome == Outcome::Stopped)
        showStop();
    else
        finished();
}
