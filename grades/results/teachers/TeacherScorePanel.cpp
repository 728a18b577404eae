#include "grades/results/teachers/TeacherScorePanel.h"

#include "common/class_label.h"
#include "common/program_state.h"
#include "common/schema.h"
#include "common/settings_rows.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/fixed_font.h"
#include "platform/ui/plain_print.h"
#include "platform/ui/twips.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QString kName = QStringLiteral("姓名");
const QString kShowLists = QStringLiteral("学生");
const QString kShowAssignments = QStringLiteral("班级");

// A step of a handler that may fail on its own; the next one runs regardless.
template <class F> void step(F&& f) {
    try {
        f();
    } catch (const platform::db::DbError&) {
    }
}

} // namespace

void TeacherScorePanel::bind(PanelHost& host) {
    host_ = &host;
    const PanelControls c = host.controlsOf(*this);
    Lab71 = c.get<QLabel>(QStringLiteral("Lab71"));
    Label7 = c.get<QLabel>(QStringLiteral("Label7"));
    Text8 = c.get<QPlainTextEdit>(QStringLiteral("Text8"));
    List2 = c.get<QListWidget>(QStringLiteral("List2"));
    List3 = c.get<QListWidget>(QStringLiteral("List3"));
    Com74 = c.get<QPushButton>(QStringLiteral("Com74"));
    Com71 = c.get<QPushButton>(QStringLiteral("Com71"));
    Com72 = c.get<QPushButton>(QStringLiteral("Com72"));
    Combo11 = c.get<QComboBox>(QStringLiteral("Combo11"));
    Ad71 = &c.data(QStringLiteral("Ad71"));

    Lab71->setFont(QFont(QStringLiteral("宋体"), 15.75, QFont::Bold));
    Label7->setFont(QFont(QStringLiteral("宋体"), 15, QFont::Bold));
    // The report and the class lists are laid out in display columns.
    Text8->setFont(platform::fixedColumnFont());
    List3->setFont(platform::fixedColumnFont());
    Text8->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text8->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Combo11->setEditable(true);
    // A typed name is looked for, never added to the list.
    Combo11->setInsertPolicy(QComboBox::NoInsert);

    connect(Ad71, &platform::db::DataControl::moveComplete, this, [this] { Ad71_MoveComplete(); });
    connect(Combo11, &QComboBox::activated, this, [this] { Combo11_Click(); });
    connect(Com71, &QPushButton::clicked, this, [this] { Com71_Click(); });
    connect(Com72, &QPushButton::clicked, this, [this] { Com72_Click(); });
    connect(Com74, &QPushButton::clicked, this, [this] { Com74_Click(); });
}

platform::db::Recordset* TeacherScorePanel::teachers() const { return Ad71 ? Ad71->recordset() : nullptr; }

bool TeacherScorePanel::mayOpen() {
    // The stored name becomes a table name in queries here and in the other
    // results windows; a missing row means no calculation named one.
    QString stored;
    step([&] { stored = host_->settings().value(Setting::AssessmentScoreTable); });
    state().CurrentScoreTable = results::assessmentScoreTable(stored);
    try {
        Ad71->setRecordSource(table::Teachers);
        Ad71->refresh();
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle,
                                    platform::MsgIcon::Warning);
        return false;
    }
    platform::db::Recordset* rs = teachers();
    if (!rs || rs->recordCount() == 0)
        return false;
    Combo11->clear();
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        Combo11->addItem(rs->value(kName).toString());
    return true;
}

void TeacherScorePanel::load() {
    platform::db::Recordset* rs = teachers();
    if (!rs || rs->recordCount() == 0)
        return;
    Combo11->setCurrentIndex(0);
    Combo11->setEditText(Combo11->itemText(0));
    rs->moveFirst();
}

void TeacherScorePanel::finish() { form2::emptyDataControl(*Ad71); }

void TeacherScorePanel::Combo11_Click() {
    platform::db::Recordset* rs = teachers();
    if (!rs)
        return;
    int position = 0;
    step([&] { position = rs->eof() ? 0 : rs->absolutePosition(); });
    bool found = false;
    // By value: a typed quote is a character of the name, not of a criterion.
    step([&] { found = rs->findValue(kName, Combo11->currentText().trimmed(), 0, true); });
    if (!found && position > 0)
        step([&] { rs->setAbsolutePosition(position); });
}

void TeacherScorePanel::Ad71_MoveComplete() {
    Com74->setText(kShowLists);
    Com74->setVisible(true);
    List3->setVisible(false);
    List2->setVisible(true);
    List2->resize(List2->width(), Com74->y() - List2->y() - platform::twipsToPixels(100));

    platform::db::Recordset* rs = teachers();
    if (!rs || rs->eof() || rs->bof())
        return;
    results::TeacherRecord t;
    try {
        t = results::TeacherRecord::current(*rs);
    } catch (const platform::db::DbError&) {
        return;
    }
    List2->clear();
    assignments_ = results::assignmentsOf(t);
    for (const results::Assignment& a : assignments_)
        List2->addItem(a.item());
    Label7->setText(results::scoreCaption(t.value(QStringLiteral("考绩分"))));
    Ad71->setCaption(QString::number(rs->absolutePosition()) + u'/' + QString::number(rs->recordCount()));
    const QString name = t.value(kName).toString();
    Lab71->setText(name);
    Combo11->setEditText(name);
    Text8->setPlainText(results::teacherReport(t));
}

void TeacherScorePanel::walkTeachers(const std::function<void(platform::db::Recordset&)>& visit) {
    platform::db::Recordset* rs = teachers();
    if (!rs)
        return;
    int position = 0;
    step([&] { position = rs->eof() ? 0 : rs->absolutePosition(); });
    step([&] {
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            step([&] { visit(*rs); });
    });
    if (position > 0)
        step([&] { rs->setAbsolutePosition(position); });
}

void TeacherScorePanel::Com71_Click() {
    QVariantList scores;
    walkTeachers([&](platform::db::Recordset& rs) { scores << rs.value(QStringLiteral("考绩分")); });
    platform::dialogs().message(results::overallText(scores), platform::MsgButtons::Ok,
                                QStringLiteral("考绩分的总体情况"));
}

void TeacherScorePanel::Com72_Click() {
    QStringList blocks;
    walkTeachers([&](platform::db::Recordset& rs) { blocks << results::printoutBlock(results::TeacherRecord::current(rs)); });
    if (!blocks.isEmpty())
        platform::printPlainText(blocks, host_->hostWindow()->windowTitle());
}

QStringList TeacherScorePanel::classListsOf(const results::Assignment& a, const QStringList& subjects) {
    host_->CurrentGradeId = gradeOfLabel(a.classLabel);
    host_->CurrentClassId = classOfLabel(a.classLabel);
    // Only a subject column of the score table goes into the query.
    if (!subjects.contains(a.subject))
        return results::classListWithoutSubject(a);
    platform::db::DataControl& Adodc1 = host_->dataControl(QStringLiteral("Adodc1"));
    try {
        const QString subject = platform::db::quoteName(a.subject);
        Adodc1.setRecordSource(QStringLiteral("select 姓名,") + subject + QStringLiteral(" from ") +
                                   state().CurrentScoreTable + QStringLiteral("  where 年级=? and 班=? order by ") +
                                   subject + QStringLiteral(" desc"),
                               {host_->CurrentGradeId, host_->CurrentClassId});
        Adodc1.refresh();
        platform::db::Recordset* rs = Adodc1.recordset();
        std::vector<results::ListedMark> students;
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            students.push_back({rs->value(0).toString(), rs->value(1)});
        return results::classList(a, students);
    } catch (const platform::db::DbError& e) {
        return {a.item(), QStringLiteral("  ") + e.text(), QStringLiteral(" ")};
    }
}

void TeacherScorePanel::Com74_Click() {
    if (Com74->text() == kShowAssignments) {
        Com74->setText(kShowLists);
        List3->setVisible(false);
        List2->setVisible(true);
        return;
    }
    if (List2->count() == 0)
        return;
    QStringList subjects;
    step([&] {
        const auto fields = Ad71->database()->tableDef(state().CurrentScoreTable).fields;
        for (size_t i = 10; i < fields.size(); ++i)
            subjects << fields[i].name;
    });
    List3->clear();
    for (const results::Assignment& a : assignments_)
        List3->addItems(classListsOf(a, subjects));
    Com74->setText(kShowAssignments);
    List3->setVisible(true);
    List2->setVisible(false);
}
