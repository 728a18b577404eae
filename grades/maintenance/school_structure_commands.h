#pragma once
// The four commands of the 数据 menu that change the school's structure:
// 增加班, 删除班, 增加年级, 减少年级. Administrator only; each asks in Dialog.

class PanelHost;

namespace maintenance {

void AddBan_Click(PanelHost& host);
void DeleBan_Click(PanelHost& host);
void Menu_Addlj_Click(PanelHost& host);
void Menu_Dellj_Click(PanelHost& host);

} // namespace maintenance
