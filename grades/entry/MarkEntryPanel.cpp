#include "grades/entry/MarkEntryPanel.h"

void MarkEntryPanel::bind(PanelHost& host) {
    const PanelControls c = host.controlsOf(index());
    DataGrid5 = c.grid(QStringLiteral("DataGrid5"));
    Ad8 = &c.data(QStringLiteral("Ad8"));
}

void MarkEntryPanel::finish() {
    form2::detachGrid(DataGrid5);
    form2::emptyDataControl(*Ad8);
}
