#pragma once
// The four commands of the 数据 menu that change the school's structure:
// 增加班, 删除班, 增加年级, 减少年级. Administrator only; each asks in Dialog.

class PanelHost;

namespace results {
class ResultsChoosers;
}

namespace maintenance {

// Each empties the results view's choosers, so that its next opening lists
// the classes as they then stand.

void AddBan_Click(PanelHost& host, results::ResultsChoosers& view);
void DeleBan_Click(PanelHost& host, results::ResultsChoosers& view);
void Menu_Addlj_Click(PanelHost& host, results::ResultsChoosers& view);
void Menu_Dellj_Click(PanelHost& host, results::ResultsChoosers& view);

} // namespace maintenance
