#include "grades/examno/ExamNumberPanel.h"

void ExamNumberPanel::bind(PanelHost& host) {
    host_ = &host;
    const PanelControls c = host.controlsOf(index());
    DataGrid3 = c.grid(QStringLiteral("DataGrid3"));
    Ad3 = &c.data(QStringLiteral("Ad3"));
    Ad32 = &c.data(QStringLiteral("Ad32"));
}

void ExamNumberPanel::finish() {
    host_->ShowStartPanel();
    form2::detachGrid(DataGrid3);
    form2::emptyDataControl(*Ad3);
    form2::emptyDataControl(*Ad32);
}
