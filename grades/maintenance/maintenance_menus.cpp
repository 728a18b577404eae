#include "grades/maintenance/maintenance_menus.h"

#include "grades/frame/form2_panel.h"
#include "grades/maintenance/Form10.h"
#include "grades/maintenance/Form14.h"
#include "grades/maintenance/Form15.h"
#include "grades/maintenance/Form7.h"
#include "grades/maintenance/merge_commands.h"
#include "grades/maintenance/new_examination_commands.h"
#include "grades/maintenance/school_structure_commands.h"

namespace maintenance {

void installMenuHandlers(PanelHost& host, results::ResultsChoosers& resultsView) {
    host.onMenu(QStringLiteral("AddBan"), [&host, &resultsView] { AddBan_Click(host, resultsView); });
    host.onMenu(QStringLiteral("DeleBan"), [&host, &resultsView] { DeleBan_Click(host, resultsView); });
    host.onMenu(QStringLiteral("Menu_Addlj"), [&host, &resultsView] { Menu_Addlj_Click(host, resultsView); });
    host.onMenu(QStringLiteral("Menu_Dellj"), [&host, &resultsView] { Menu_Dellj_Click(host, resultsView); });
    // Open to every user; the visible panel stays as it is.
    host.onMenu(QStringLiteral("menuJIanca"), [&host] { Form15::showFor(host.hostWindow()); });
    host.onMenu(QStringLiteral("menuin1"), [&host] { menuin1_Click(host); });
    host.onMenu(QStringLiteral("outsj1"), [&host] { outsj1_Click(host); });
    host.onMenu(QStringLiteral("ResetZero"), [&host] { ResetZero_Click(host); });
    host.onMenu(QStringLiteral("fenban"), [&host] { fenban_Click(host); });
    host.onMenu(QStringLiteral("RestRK"), [&host] { RestRK_Click(host); });
    host.onMenu(QStringLiteral("menuin2"), [&host] { Form10::menuin2_Click(host); });
    host.onMenu(QStringLiteral("menuin3"), [&host] { Form14::menuin3_Click(host); });
}

} // namespace maintenance
