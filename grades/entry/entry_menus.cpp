#include "grades/entry/entry_menus.h"

#include "grades/entry/Form12.h"
#include "grades/frame/form2_panel.h"

namespace entry {

void installMenuHandlers(PanelHost& host) {
    // 高级学生管理: the panel showing is finished first, as its changes may move students.
    host.onMenu(QStringLiteral("MenuUPstudent"), [&host] {
        if (!host.Comout_Click(0))
            return;
        Form12::showFor(host.hostWindow());
    });
}

} // namespace entry
