#include "grades/entry/FullMarkPanel.h"

#include "common/schema.h"
#include "grades/entry/core/assignment_slots.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"

#include <QLabel>

void FullMarkPanel::bind(PanelHost& host) {
    host_ = &host;
    const PanelControls c = host.controlsOf(index());
    La42 = c.get<QLabel>(QStringLiteral("La42"));
    DataGrid4 = c.grid(QStringLiteral("DataGrid4"));
    Ad4 = &c.data(QStringLiteral("Ad4"));
    Ad41 = &c.data(QStringLiteral("Ad41"));
}

void FullMarkPanel::finish() {
    // The text stays until the panel is opened again.
    La42->setText(QStringLiteral("请稍侯,系统正在将你刚的操作更新......"));
    La42->repaint();
    if (auto* grades = Ad4->recordset()) {
        Ad41->setRecordSource(table::Teachers);
        Ad41->refresh();
        platform::db::Transaction t(*Ad4->database());
        entry::clearTeachersOfPapersNotTaken(*grades, host_->dataControl(QStringLiteral("Adodc1")),
                                             *Ad41->recordset(), host_->CurrentGradeId);
        t.commit();
    }
    form2::detachGrid(DataGrid4);
    form2::emptyDataControl(*Ad4);
    form2::emptyDataControl(*Ad41);
}
