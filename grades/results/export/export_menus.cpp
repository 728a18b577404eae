#include "grades/results/export/export_menus.h"

#include "common/data_connections.h"
#include "common/program_state.h"
#include "grades/frame/form2_panel.h"
#include "grades/results/core/web_pages.h"
#include "grades/results/export/Form16.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/text/gbk.h"
#include "platform/ui/dialogs.h"

namespace results {

void MakeHTM_Click(PanelHost& host) {
    if (!host.Comout_Click(0))
        return;
    platform::FileRequest request;
    request.fileName = QStringLiteral("Index.htm");
    request.filter = QStringLiteral("网页(*.htm)|*.htm|所有文件(*.*)|*.*");
    request.title = QStringLiteral("将数据文件生成网页后保存为");
    request.confirmOverwrite = true;
    const auto chosen = platform::dialogs().saveFile(request);
    if (!chosen || chosen->isEmpty())
        return;
    // A failure ends the command quietly; every page is written whole, so the
    // pages finished before it stay and no half page is left.
    try {
        // The page queries go through a data control of the command's own: the
        // scratch control of another panel may not be built, and is not ours.
        platform::db::DataControl pages;
        connectToDatabase(pages);
        writeResultsWebPages(host.dataControl(QStringLiteral("Adodc1")), pages, state().SchoolName, *chosen,
                             host.CurrentGradeId, host.CurrentClassId);
    } catch (const platform::db::DbError&) {
    } catch (const platform::FileError&) {
    }
}

void installExportMenuHandlers(PanelHost& host) {
    host.onMenu(QStringLiteral("MakeHTM"), [&host] { MakeHTM_Click(host); });
    host.onMenu(QStringLiteral("menuOUTtxt"), [&host] { menuOUTtxt_Click(host.hostWindow()); });
}

} // namespace results
