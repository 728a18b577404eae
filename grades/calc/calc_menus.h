#pragma once
// The calculation's items of the main window's menus.

class PanelHost;

namespace calc {
// Connects them; the function that builds the main window calls it once.
void installMenuHandlers(PanelHost& host);
} // namespace calc
