#pragma once
// The data entry's items of the main window's menus.

class PanelHost;

namespace entry {
// Connects them; the function that builds the main window calls it once.
void installMenuHandlers(PanelHost& host);
} // namespace entry
