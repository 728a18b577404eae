#include "grades/results/results_menus.h"

#include "common/class_label.h"
#include "common/program_state.h"
#include "common/schema.h"
#include "grades/examno/exam_numbers.h"
#include "grades/frame/form2_panel.h"
#include "grades/results/core/results_view.h"
#include "grades/results/export/export_menus.h"
#include "grades/results/print/Form11.h"
#include "grades/results/print/Form13.h"
#include "grades/results/print/Form5.h"
#include "grades/results/view/results_choosers.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/export_excel.h"


namespace results {

void MenuPrintCJ_Click(PanelHost& host, ResultsChoosers& view) {
    state().CurrentScoreTable = table::Scores;
    view.forgetClasses();
    platform::db::DataControl& general = host.dataControl(QStringLiteral("Adodc1"));
    QStringList labels;
    try {
        general.setRecordSource(table::Classes);
        general.refresh();
        auto* rs = general.recordset();
        if (rs->recordCount() > 0)
            for (rs->moveFirst(); !rs->eof(); rs->moveNext())
                labels << classLabel(rs->value(0).toString(), rs->value(1).toString());
        general.setRecordSource(table::Grades);
        general.refresh();
        rs = general.recordset();
        if (rs->recordCount() > 0)
            for (rs->moveFirst(); !rs->eof(); rs->moveNext())
                labels << gradeLabel(rs->value(0).toString());
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle,
                                    platform::MsgIcon::Warning);
        return;
    }
    // A sorted list: each grade level's label stands before its classes.
    sortClassLabels(labels);
    view.offerEveryClass(labels);
    // Every class is chosen: the window lists them all and needs no query.
    Form5::showFor(host, {});
}

void exportResultsToSpreadsheet(int16_t mode) {
    platform::FileRequest request;
    request.filter = QStringLiteral("Excel文件(*.xls)|*.xls|所有文件(*.*)|*.*");
    request.confirmOverwrite = true;
    const auto name = platform::dialogs().saveFile(request);
    if (!name || name->isEmpty())
        return;
    // The retired writer writes nothing, so the user's file is not deleted first.
    if (ExportExcel(*name, QStringLiteral("成绩"), mode) != 0)
        platform::dialogs().message(QStringLiteral("导出失败!"), platform::MsgButtons::Ok, platform::kFailedTitle);
    else
        platform::dialogs().message(QStringLiteral("成功导出!"), platform::MsgButtons::Ok, platform::kDoneTitle);
}

void installMenuHandlers(PanelHost& host) {
    installExportMenuHandlers(host);
    host.onMenu(QStringLiteral("MenuPrintCJ"),
                [&host] { MenuPrintCJ_Click(host, host.offered<ResultsChoosers>()); });
    host.onMenu(QStringLiteral("MenuPrintZDY"), [&host] { MenuPrintZDY_Click(host); });
    host.onMenu(QStringLiteral("Menu_HDXS"), [&host] { Form13::showFor(host.hostWindow()); });
    host.onMenu(QStringLiteral("outsj2"), [] { exportResultsToSpreadsheet(2); });
    // By class: the exam-number panel's export.
    host.onMenu(QStringLiteral("outsj3"), [&host] { host.offered<examno::ExamNumbers>().exportByClass(); });
}

} // namespace results
