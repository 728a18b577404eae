#include "grades/entry/FullMarkPanel.h"

#include "common/schema.h"
#include "grades/entry/core/assignment_slots.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/dbui/datagrid.h"

#include <QLabel>

namespace {

const QString kNote = QStringLiteral("注意: 如果一个年级没有开设某一科,请将其分值设为零分.");

} // namespace

void FullMarkPanel::bind(PanelHost& host) {
    host_ = &host;
    const PanelControls c = host.controlsOf(*this);
    La42 = c.get<QLabel>(QStringLiteral("La42"));
    DataGrid4 = c.grid(QStringLiteral("DataGrid4"));
    Ad4 = &c.data(QStringLiteral("Ad4"));
    Ad41 = &c.data(QStringLiteral("Ad41"));

    // A negative full mark would refuse every mark and turn the scaling round;
    // a text that is no number is the panel's to refuse, not the engine's.
    DataGrid4->setValueCheck([](int column, const QVariant& value) {
        if (column <= 0 || value.isNull())
            return QString();
        bool number = false;
        const double mark = value.toDouble(&number);
        if (!number)
            return QStringLiteral("试卷的总分必须是数字!");
        return mark < 0 ? QStringLiteral("试卷的总分不能为负数!") : QString();
    });
}

void FullMarkPanel::load() {
    Ad4->setRecordSource(table::Grades);
    Ad4->refresh();
    DataGrid4->setDataSource(Ad4);
    DataGrid4->setColumnLocked(0, true);
    La42->setText(kNote);
}

void FullMarkPanel::finish() {
    // A full mark typed and not yet left counts as entered.
    DataGrid4->commitEditor();
    if (auto* grades = Ad4->recordset()) {
        const TypedRow typed = typedRow(*grades);
        Ad41->setRecordSource(table::Teachers);
        Ad41->refresh();
        bool begun = false;
        try {
            platform::db::Transaction t(*Ad4->database());
            begun = true;
            // The text stays until the panel is opened again.
            La42->setText(QStringLiteral("请稍侯,系统正在将你刚的操作更新......"));
            La42->repaint();
            entry::clearTeachersOfPapersNotTaken(*grades, host_->dataControl(QStringLiteral("Adodc1")),
                                                 *Ad41->recordset(), host_->CurrentGradeId);
            t.commit();
        } catch (const platform::db::DbError& e) {
            // A busy file refuses at the start, before anything changed: the
            // panel stays as it was, the typed full mark pending for the next
            // 完成. Busy at the commit (another program still reading), the
            // walk was rolled back with the pending mark: the panel that stays
            // shows the file again, with the typed mark pending once more.
            if (begun && e.kind() == platform::db::DbError::Busy) {
                showTheFileAgain();
                typeAgain(typed);
            }
            throw;
        }
    }
    form2::detachGrid(DataGrid4);
    form2::emptyDataControl(*Ad4);
    form2::emptyDataControl(*Ad41);
}

FullMarkPanel::TypedRow FullMarkPanel::typedRow(const platform::db::Recordset& grades) {
    TypedRow typed;
    if (!grades.isDirty() || grades.isNewRow())
        return typed;
    typed.rowid = grades.rowIdAt(grades.currentIndex());
    for (int i = 0; i < grades.fieldCount(); ++i)
        typed.values.push_back(grades.value(i));
    return typed;
}

void FullMarkPanel::typeAgain(const TypedRow& typed) {
    platform::db::Recordset* grades = Ad4->recordset();
    if (!grades || typed.values.empty())
        return;
    try {
        for (int r = 0; r < grades->recordCount(); ++r) {
            if (grades->rowIdAt(r) != typed.rowid)
                continue;
            grades->setAbsolutePosition(r + 1);
            for (int i = 0; i < grades->fieldCount() && i < typed.values.size(); ++i)
                if (grades->fieldUpdatable(i) && grades->value(i) != typed.values.at(i))
                    grades->setValue(i, typed.values.at(i));
            return;
        }
    } catch (const platform::db::DbError&) {
        // The file as it is stays on show.
    }
}

void FullMarkPanel::showTheFileAgain() {
    La42->setText(kNote);
    for (platform::db::DataControl* dc : {Ad4, Ad41})
        if (auto* rs = dc->recordset(); rs && rs->isDirty())
            rs->cancelUpdate();
    try {
        form2::emptyDataControl(*Ad41);
        Ad4->refresh();
    } catch (const platform::db::DbError&) {
        // Read again at the next opening.
    }
}
