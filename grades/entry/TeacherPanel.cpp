#include "grades/entry/TeacherPanel.h"

#include "grades/entry/core/assignment_slots.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"

void TeacherPanel::bind(PanelHost& host) {
    host_ = &host;
    const PanelControls c = host.controlsOf(index());
    DataGrid2 = c.grid(QStringLiteral("DataGrid2"));
    Ad2 = &c.data(QStringLiteral("Ad2"));
}

void TeacherPanel::finish() {
    form2::detachGrid(DataGrid2);
    if (auto* rs = Ad2->recordset()) {
        platform::db::Transaction t(*Ad2->database());
        entry::compactAssignmentSlots(*rs);
        t.commit();
    }
    form2::emptyDataControl(*Ad2);
}
