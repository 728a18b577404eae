#include "grades/examno/examno_menus.h"

#include "grades/examno/Form4.h"
#include "grades/examno/exam_numbers.h"

#include "common/program_state.h"
#include "common/settings_rows.h"
#include "grades/frame/form2_panel.h"
#include "grades/frame/frmLogin.h"
#include "platform/ui/dialogs.h"


namespace examno {

void RestKH_Click(PanelHost& host) {
    {
        frmLogin login(host.hostWindow(), host.ownConnections());
        platform::dialogs().runModal(login);
    }
    if (state().IsAdministrator == 0)
        return;
    if (!host.Comout_Click(0))
        return;
    // The numbers, rooms and seats stay; only the build's guard is lifted.
    host.settings().store(Setting::ExamCardsPrinted, QStringLiteral("否"));
    platform::dialogs().message(QStringLiteral("您以前打印的考号可以作废了,您可以重新编写考号,重新打印了."),
                                platform::MsgButtons::Ok, platform::kDoneTitle);
}

void MenuPrintKH_Click(const ExamNumbers& examNumbers) {
    Form4::showFor(examNumbers.viewerGroup());
}

void installMenuHandlers(PanelHost& host) {
    host.onMenu(QStringLiteral("RestKH"), [&host] { RestKH_Click(host); });
    host.onMenu(QStringLiteral("MenuPrintKH"), [&host] { MenuPrintKH_Click(host.offered<ExamNumbers>()); });
}

} // namespace examno
