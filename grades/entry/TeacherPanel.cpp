#include "grades/entry/TeacherPanel.h"

#include "common/class_label.h"
#include "common/program_state.h"
#include "common/schema.h"
#include "grades/entry/core/assignment_slots.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/dbui/datagrid.h"
#include "platform/text/values.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/key_filter.h"

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

const QString kName = QStringLiteral("姓名");
const QString kChooseClass = QStringLiteral("请在下边列表框中选择正确的班和年级");
const QString kCellTaken = QStringLiteral("这个班的这一节课已经安排了老师上了!");
const QString kSlotsFull = QStringLiteral("一个教师不能同时在20个班上课!");
const QString kCheckDoneTitle = QStringLiteral("检查完成");

} // namespace

void TeacherPanel::bind(PanelHost& host) {
    host_ = &host;
    const PanelControls c = host.controlsOf(*this);
    Frame3_0 = c.get<QGroupBox>(QStringLiteral("Frame3_0"));
    Frame3_1 = c.get<QGroupBox>(QStringLiteral("Frame3_1"));
    Frame2_0 = c.get<QGroupBox>(QStringLiteral("Frame2_0"));
    Te21 = c.get<QLineEdit>(QStringLiteral("Te21"));
    Com21 = c.get<QPushButton>(QStringLiteral("Com21"));
    Com23 = c.get<QPushButton>(QStringLiteral("Com23"));
    Com24 = c.get<QPushButton>(QStringLiteral("Com24"));
    Com25 = c.get<QPushButton>(QStringLiteral("Com25"));
    Com26 = c.get<QPushButton>(QStringLiteral("Com26"));
    Com27 = c.get<QPushButton>(QStringLiteral("Com27"));
    Com28 = c.get<QPushButton>(QStringLiteral("Com28"));
    Combo2 = c.get<QComboBox>(QStringLiteral("Combo2"));
    Combo3 = c.get<QComboBox>(QStringLiteral("Combo3"));
    Combo4 = c.get<QComboBox>(QStringLiteral("Combo4"));
    List1 = c.get<QListWidget>(QStringLiteral("List1"));
    Latea = c.get<QLabel>(QStringLiteral("Latea"));
    Comtea1 = c.get<QPushButton>(QStringLiteral("Comtea1"));
    Comtea2 = c.get<QPushButton>(QStringLiteral("Comtea2"));
    Comtea4 = c.get<QPushButton>(QStringLiteral("Comtea4"));
    DataGrid2 = c.grid(QStringLiteral("DataGrid2"));
    Ad2 = &c.data(QStringLiteral("Ad2"));
    Adodc1 = &host.dataControl(QStringLiteral("Adodc1"));

    // A name holds three characters; the box takes a fourth so that a name
    // typed too long is cut with a message rather than silently.
    Te21->setMaxLength(entry::kTeacherNameLength + 1);
    for (QComboBox* box : {Combo2, Combo3, Combo4}) {
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
    }
    // An edit in the grid would change a slot without its class cell.
    DataGrid2->setAllowUpdate(false);

    connect(Ad2, &platform::db::DataControl::moveComplete, this, [this] { Ad2_MoveComplete(); });
    connect(Com21, &QPushButton::clicked, this, [this] { Com21_Click(); });
    connect(Com28, &QPushButton::clicked, this, [this] { Com28_Click(); });
    connect(Com26, &QPushButton::clicked, this, [this] { Com26_Click(); });
    connect(Com27, &QPushButton::clicked, this, [this] { Com27_Click(); });
    connect(Com24, &QPushButton::clicked, this, [this] { Com24_Click(); });
    connect(Com25, &QPushButton::clicked, this, [this] { Com25_Click(); });
    connect(Com23, &QPushButton::clicked, this, [this] { Com23_Click(); });
    connect(Comtea2, &QPushButton::clicked, this, [this] { Comtea2_Click(); });
    connect(Comtea4, &QPushButton::clicked, this, [this] { Comtea4_Click(); });
    connect(Comtea1, &QPushButton::clicked, this, [this] { Comtea1_Click(); });
    connect(Combo4, &QComboBox::activated, this, [this] { Combo4_Click(); });
    connect(List1, &QListWidget::currentRowChanged, this, [this] { List1_Click(); });
    Te21->installEventFilter(this);
    platform::filterKeys(Te21, [this](int16_t& key) { Te21_KeyPress(key); });
}

bool TeacherPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Te21 && event->type() == QEvent::FocusIn) {
        // After the box's own focus handling, which may place the cursor.
        QMetaObject::invokeMethod(this, [this] { Te21_GotFocus(); }, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

bool TeacherPanel::checking() const { return !Frame3_1->isHidden(); }

void TeacherPanel::tell(const QString& text, const QString& title) {
    platform::dialogs().message(text, platform::MsgButtons::Ok, title);
}

platform::db::Recordset* TeacherPanel::teachers() const { return Ad2->recordset(); }

platform::db::Recordset& TeacherPanel::classes() {
    if (!Adodc1->recordset() || Adodc1->recordSource() != table::Classes) {
        Adodc1->setRecordSource(table::Classes);
        Adodc1->refresh();
    }
    return *Adodc1->recordset();
}

// ------------------------------------------------------------ opening, finishing

void TeacherPanel::load() {
    Frame2_0->setVisible(true);
    Combo2->clear();
    Combo3->clear();
    Adodc1->setRecordSource(table::Classes);
    Adodc1->refresh();
    platform::db::Recordset& rows = *Adodc1->recordset();
    QStringList labels;
    for (int r = 0; r < rows.recordCount(); ++r)
        labels << classLabel(rows.valueAt(r, 0).toString(), rows.valueAt(r, 1).toString());
    sortClassLabels(labels);
    Combo2->addItems(labels);
    for (int f = 2; f < rows.fieldCount(); ++f)
        Combo3->addItem(rows.fieldName(f));
    clearBoxes();

    Ad2->setRecordSource(entry::teacherQuery());
    Ad2->refresh();
    DataGrid2->setDataSource(Ad2);
    DataGrid2->rebind();
    if (teachers()->recordCount() > 0)
        teachers()->moveFirst();
    else
        Ad2_MoveComplete();
}

void TeacherPanel::finish() {
    // A busy file refuses before the panel changes: it stays as it was.
    if (auto* rs = Ad2->recordset()) {
        platform::db::Transaction t(*Ad2->database());
        entry::compactAssignmentSlots(*rs);
        t.commit();
    }
    form2::detachGrid(DataGrid2);
    form2::emptyDataControl(*Ad2);
}

// ------------------------------------------------------------ the current teacher

void TeacherPanel::Ad2_MoveComplete() {
    platform::db::Recordset* rs = teachers();
    if (!rs)
        return;
    // Each step's failure is passed over, as when no teacher is current.
    const int pos = rs->absolutePosition();
    Ad2->setCaption(pos > 0 ? QStringLiteral(" %1/ %2").arg(pos).arg(rs->recordCount()) : QString());
    try {
        Te21->setText(rs->value(kName).toString());
    } catch (const platform::db::DbError&) {
    }
    try {
        RefreshTeachingList(1);
    } catch (const platform::db::DbError&) {
    }
}

void TeacherPanel::RefreshTeachingList(int mode) {
    List1->clear();
    platform::db::Recordset* rs = teachers();
    if (!rs)
        throw platform::db::DbError(platform::db::DbError::NoCurrentRecord, QStringLiteral("没有当前教师."));
    List1->addItems(entry::teachingList(*rs));
    if (mode != 1)
        return;
    if (List1->count() == 0)
        clearBoxes();
    else
        loadEntry(0);
}

void TeacherPanel::clearBoxes() {
    Combo2->setEditText(QString());
    Combo3->setEditText(QString());
}

void TeacherPanel::loadEntry(int row) {
    List1->setCurrentRow(row);
    const QString text = List1->item(row)->text();
    Combo2->setEditText(entry::classOfEntry(text));
    Combo3->setEditText(entry::subjectOfEntry(text));
}

int TeacherPanel::selectedEntry() const {
    for (int i = 0; i < List1->count(); ++i)
        if (List1->item(i)->isSelected())
            return i;
    return -1;
}

void TeacherPanel::List1_Click() {
    if (const int row = selectedEntry(); row >= 0)
        loadEntry(row);
}

void TeacherPanel::Com24_Click() {
    if (const int row = selectedEntry(); row > 0)
        loadEntry(row - 1);
}

void TeacherPanel::Com25_Click() {
    if (const int row = selectedEntry(); row >= 0 && row < List1->count() - 1)
        loadEntry(row + 1);
}

// ------------------------------------------------------------ teachers

void TeacherPanel::Com21_Click() {
    platform::db::Recordset* rs = teachers();
    if (!rs)
        return;
    const QString typed = Te21->text();
    const QString name = platform::trimBlanks(typed);
    try {
        switch (entry::addTeacher(*rs, name)) {
        case entry::TeacherAdded::NoName:
            tell(QStringLiteral("请在左边的空格中输入新教师的姓名."), platform::kPromptTitle);
            return;
        case entry::TeacherAdded::TooLong:
            tell(QStringLiteral("姓名只能由2-3个汉字构成."), platform::kPromptTitle);
            Te21->setText(name.left(entry::kTeacherNameLength));
            break;
        case entry::TeacherAdded::Added:
            state().TeacherCount += 1;
            // The new row is current: show it as every change of teacher is shown.
            rs->setAbsolutePosition(rs->absolutePosition());
            break;
        case entry::TeacherAdded::Found:
            break;
        }
    } catch (const platform::db::DbError& e) {
        // The teacher shown before is current again, which put his name in
        // the box: the name typed goes back for the next try.
        Te21->setText(typed);
        tell(e.text(), platform::kErrorTitle);
        return;
    }
    Te21->selectAll();
}

void TeacherPanel::Te21_KeyPress(int16_t& keyAscii) {
    if (keyAscii != 13)
        return;
    keyAscii = 0;
    Com21_Click();
}

void TeacherPanel::Te21_GotFocus() { Te21->selectAll(); }

void TeacherPanel::Com28_Click() {
    if (List1->count() > 0) {
        tell(QStringLiteral("只有将该老师上的所有课全部删除后,才能将该老师删除!"), platform::kPromptTitle);
        return;
    }
    platform::db::Recordset* rs = teachers();
    if (!rs || rs->recordCount() == 0)
        return;
    try {
        if (!entry::deleteTeacher(*rs))
            return;
    } catch (const platform::db::DbError& e) {
        tell(e.text(), platform::kErrorTitle);
        return;
    }
    state().TeacherCount -= 1;
    if (rs->recordCount() == 0)
        Ad2_MoveComplete();
}

// ------------------------------------------------------------ assignments

void TeacherPanel::Com26_Click() {
    const QString label = platform::trimBlanks(Combo2->currentText());
    const QString subject = platform::trimBlanks(Combo3->currentText());
    if (label.isEmpty() || subject.isEmpty()) {
        tell(kChooseClass, platform::kPromptTitle);
        return;
    }
    platform::db::Recordset* rs = teachers();
    if (!rs || rs->absolutePosition() <= 0)
        return;
    // Only what the boxes list: a typed label or subject may name no class or column.
    if (Combo2->findText(label, Qt::MatchExactly) < 0 || Combo3->findText(subject, Qt::MatchExactly) < 0) {
        tell(kChooseClass, platform::kPromptTitle);
        return;
    }
    try {
        entry::Teaching teaching(*rs, classes());
        switch (teaching.add(label, subject)) {
        case entry::Assignment::BadChoice:
            tell(kChooseClass, platform::kPromptTitle);
            return;
        case entry::Assignment::FullMarkZero:
            tell(gradeOfLabel(label) + QStringLiteral("级的") + subject +
                     QStringLiteral("的总分为零分, 这种情况下不能安排老师上课!"),
                 platform::kPromptTitle);
            return;
        case entry::Assignment::CellTaken:
            tell(kCellTaken, platform::kSpacedPromptTitle);
            clearBoxes();
            return;
        case entry::Assignment::SlotsFull:
            tell(kSlotsFull, platform::kSpacedPromptTitle);
            break;
        default:
            break;
        }
        RefreshTeachingList(0);
    } catch (const platform::db::DbError& e) {
        keepChoice(label, subject);
        tell(e.text(), platform::kErrorTitle);
    }
}

void TeacherPanel::keepChoice(const QString& label, const QString& subject) {
    // A write refused at its commit is rolled back, and the teacher read
    // again fills the boxes with his first class: the retry is of the choice.
    Combo2->setEditText(label);
    Combo3->setEditText(subject);
}

void TeacherPanel::Com27_Click() {
    const QString label = platform::trimBlanks(Combo2->currentText());
    const QString subject = platform::trimBlanks(Combo3->currentText());
    platform::db::Recordset* rs = teachers();
    if (label.isEmpty() || subject.isEmpty() || List1->count() == 0 || !rs || rs->absolutePosition() <= 0)
        return;
    try {
        entry::Teaching teaching(*rs, classes());
        if (teaching.remove(label, subject) == entry::Assignment::NotHeld)
            tell(QStringLiteral("InPut Error!"), platform::kSpacedPromptTitle);
        RefreshTeachingList(1);
    } catch (const platform::db::DbError& e) {
        keepChoice(label, subject);
        tell(e.text(), platform::kErrorTitle);
    }
}

// ------------------------------------------------------------ the check

void TeacherPanel::Com23_Click() {
    platform::db::Recordset* rs = teachers();
    if (!rs || rs->recordCount() == 0)
        return;
    Frame3_1->setVisible(true);
    Frame3_0->setVisible(false);
    Frame2_0->setEnabled(false);
    DataGrid2->setEnabled(false);
    Latea->setText(QStringLiteral("请稍侯,正在检查..."));
    Combo4->clear();
    Frame3_1->repaint();
    for (int r = 0; r < rs->recordCount(); ++r)
        Combo4->addItem(rs->valueAt(r, 0).toString());
    // Past the last teacher: none is offered at the first gap.
    rs->moveLast();
    rs->moveNext();
    scan_.restart();
    FindNextUnassignedSubject();
}

void TeacherPanel::FindNextUnassignedSubject() {
    Latea->clear();
    Combo4->setEditText(QString());
    try {
        if (auto gap = scan_.next(classes())) {
            Latea->setText(*gap);
            platform::db::Recordset* rs = teachers();
            if (rs && rs->absolutePosition() > 0)
                Combo4->setEditText(rs->value(kName).toString());
            return;
        }
        const int left = entry::countUnassignedSubjects(*classes().database());
        tell(left == 0 ? QStringLiteral("检查完成!所有班的所有科目都安排了老师上课!")
                       : QStringLiteral("检查完成!还有%1处班级科目没有安排老师上课!").arg(left),
             kCheckDoneTitle);
    } catch (const platform::db::DbError& e) {
        tell(e.text(), platform::kErrorTitle);
    }
    Comtea1_Click();
}

void TeacherPanel::Combo4_Click() {
    if (platform::db::Recordset* rs = teachers())
        rs->findValue(kName, platform::trimBlanks(Combo4->currentText()), 0, true);
}

void TeacherPanel::Comtea2_Click() {
    const QString name = platform::trimBlanks(Combo4->currentText());
    const QString gap = Latea->text();
    platform::db::Recordset* rs = teachers();
    if (name.isEmpty() || gap.isEmpty() || !rs)
        return;
    // The teacher named in the box, whatever the cursor shows: a typed name
    // does not move it, and a name that is no teacher's assigns nothing.
    int row = -1;
    for (int r = 0; r < rs->recordCount() && row < 0; ++r)
        if (platform::db::compareText(rs->valueAt(r, 0).toString(), name) == 0)
            row = r;
    if (row < 0)
        return;
    try {
        if (rs->absolutePosition() != row + 1)
            rs->setAbsolutePosition(row + 1);
        // The gap is found again by what the label shows: the class cursor
        // may stand elsewhere after the panel was left and opened again.
        entry::Teaching teaching(*rs, classes());
        switch (teaching.assignGap(entry::classOfEntry(gap), entry::subjectOfEntry(gap))) {
        case entry::Assignment::SlotsFull:
            tell(kSlotsFull, platform::kSpacedPromptTitle);
            return;
        case entry::Assignment::CellTaken:
            tell(kCellTaken, platform::kSpacedPromptTitle);
            break;
        case entry::Assignment::Done:
            RefreshTeachingList(1);
            break;
        default:
            break;
        }
    } catch (const platform::db::DbError& e) {
        // The check stays on the gap refused, for a retry.
        tell(e.text(), platform::kErrorTitle);
        return;
    }
    FindNextUnassignedSubject();
}

void TeacherPanel::Comtea4_Click() { FindNextUnassignedSubject(); }

void TeacherPanel::Comtea1_Click() {
    Frame3_1->setVisible(false);
    Frame3_0->setVisible(true);
    Frame2_0->setEnabled(true);
    DataGrid2->setEnabled(true);
    platform::db::Recordset* rs = teachers();
    if (rs && rs->recordCount() > 0)
        rs->moveFirst();
}
