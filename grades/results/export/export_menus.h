#pragma once
// The results' publishing items: 特殊 → 生成网页 and 文件 → 导出到文本文件.

class PanelHost;

namespace results {

void installExportMenuHandlers(PanelHost& host);

// Writes the index and every class and grade-level page of 成绩表 into the
// folder the user chooses.
void MakeHTM_Click(PanelHost& host);

} // namespace results
