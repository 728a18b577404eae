#include "grades/calc/calc_menus.h"

#include "grades/calc/Dialog1.h"
#include "grades/frame/form2_panel.h"

namespace calc {

void installMenuHandlers(PanelHost& host) {
    host.onMenu(QStringLiteral("MenuYiQian"), [&host] { MenuYiQian_Click(host); });
}

} // namespace calc
