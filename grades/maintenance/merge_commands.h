#pragma once
// 导入本系统的数据: another database of this system merged into the open one.

class PanelHost;

namespace maintenance {

void menuin1_Click(PanelHost& host);

} // namespace maintenance
