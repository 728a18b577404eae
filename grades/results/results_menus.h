#pragma once
// The results subsystem's items of the main window's menus.

#include <cstdint>

class PanelHost;

namespace results {

class ResultsChoosers;

// 打印成绩, 导出成绩到Excel, 导出考号到Excel; the results view's and the
// exam-number panel's offers are asked for when a command runs.
void installMenuHandlers(PanelHost& host);

// The ranked lists of every class from 成绩表 in the preview; the visible
// panel stays as it is.
void MenuPrintCJ_Click(PanelHost& host, ResultsChoosers& view);

// The retired spreadsheet export of results: the notice, then the failure.
// An existing file of the chosen name is left alone.
void exportResultsToSpreadsheet(int16_t mode);

} // namespace results
