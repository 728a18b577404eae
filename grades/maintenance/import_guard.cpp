#include "grades/maintenance/import_guard.h"

#include "common/program_state.h"
#include "grades/frame/form2_panel.h"
#include "grades/frame/frmLogin.h"
#include "platform/text/message_titles.h"
#include "platform/ui/dialogs.h"

namespace maintenance {

bool backedUpAndAdministrator(PanelHost& host) {
    using platform::MsgButtons;
    using platform::MsgResult;
    if (platform::dialogs().message(QStringLiteral("在导入数据前请一定要备份现有的数据库,你备份了吗?"),
                                    MsgButtons::YesNo, platform::kAttentionTitle)
        != MsgResult::Yes)
        return false;
    {
        frmLogin login(host.hostWindow(), host.ownConnections());
        platform::dialogs().runModal(login);
    }
    return state().IsAdministrator != 0;
}

} // namespace maintenance
