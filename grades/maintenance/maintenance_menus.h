#pragma once
// Connects the 数据, 特殊 and 编辑 menu items of data maintenance to their handlers.

class PanelHost;

namespace maintenance {
// The class and grade-level commands empty the results view's choosers.
void installMenuHandlers(PanelHost& host);
}
