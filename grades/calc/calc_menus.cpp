#include "grades/calc/calc_menus.h"

#include "common/program_state.h"
#include "grades/frame/form2_panel.h"
#include "platform/ui/dialogs.h"

namespace calc {

void installMenuHandlers(PanelHost& host) {
    host.onMenu(QStringLiteral("MenuYiQian"), [] {
        if (state().IsAdministrator == 0) {
            platform::dialogs().message(QStringLiteral("只有系统管理员才有权使用本功能。"), platform::MsgButtons::Ok,
                                        platform::kPromptTitle);
            return;
        }
        // The administrator's settings of earlier score databases open here once they exist.
    });
}

} // namespace calc
