#include "grades/maintenance/maintenance_menus.h"

#include "grades/frame/form2_panel.h"
#include "grades/maintenance/Form10.h"
#include "grades/maintenance/Form14.h"
#include "grades/maintenance/Form15.h"
#include "grades/maintenance/Form7.h"
#include "grades/maintenance/merge_commands.h"
#include "grades/maintenance/new_examination_commands.h"
#include "grades/maintenance/school_structure_commands.h"
#include "grades/results/view/results_choosers.h"

namespace maintenance {

void installMenuHandlers(PanelHost& host) {
    // The results view's choosers, asked for when a command runs: the
    // results panel may not be built before.
    auto view = [&host]() -> results::ResultsChoosers& { return host.offered<results::ResultsChoosers>(); };
    host.onMenu(QStringLiteral("AddBan"), [&host, view] { AddBan_Click(host, view()); });
    host.onMenu(QStringLiteral("DeleBan"), [&host, view] { DeleBan_Click(host, view()); });
    host.onMenu(QStringLiteral("Menu_Addlj"), [&host, view] { Menu_Addlj_Click(host, view()); });
    host.onMenu(QStringLiteral("Menu_Dellj"), [&host, view] { Menu_Dellj_Click(host, view()); });
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
