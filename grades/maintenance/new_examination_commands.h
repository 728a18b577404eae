#pragma once
// 备分数据, 数据刷新 and 清空任课情况: a backup copy of the database, the
// clearing that starts a new examination, and the clearing of every teaching
// assignment before a new term.

class PanelHost;

namespace maintenance {

void outsj1_Click(PanelHost& host);
void ResetZero_Click(PanelHost& host);
void RestRK_Click(PanelHost& host);

} // namespace maintenance
