#pragma once
// The exam numbering's items of the main window's menus.

class PanelHost;

namespace examno {
class ExamNumbers;
// Connects them; the function that builds the main window calls it once.
// The exam-number panel's offer is asked for when a command runs.
void installMenuHandlers(PanelHost& host);
// 特殊 → 重编考号: the administrator permits a rebuild after the cards were printed.
void RestKH_Click(PanelHost& host);
// 文件 → 打印考号: the card window without a group; row 8 stays as it is.
void MenuPrintKH_Click(const ExamNumbers& examNumbers);
} // namespace examno
