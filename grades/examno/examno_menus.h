#pragma once
// The exam numbering's items of the main window's menus.

class PanelHost;

namespace examno {
// Connects them; the function that builds the main window calls it once.
void installMenuHandlers(PanelHost& host);
// 特殊 → 重编考号: the administrator permits a rebuild after the cards were printed.
void RestKH_Click(PanelHost& host);
} // namespace examno
