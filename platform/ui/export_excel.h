#pragma once
// The old spreadsheet export, which now only tells the user it is gone: the
// print windows' export took its place.

#include <QString>
#include <cstdint>

// Shows the notice and returns 1 (failure). Writes nothing.
int16_t ExportExcel(const QString& fileName, const QString& title, int16_t mode);
