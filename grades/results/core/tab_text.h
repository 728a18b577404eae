#pragma once
// Tab-separated text that a spreadsheet reads: the column names, then one line
// per row, TAB between values, CR LF after every line, GBK, nothing quoted.

#include "platform/db/database.h"

#include <QString>
#include <QVariant>

namespace platform::db {
class Recordset;
}

namespace results {

// The whole export of the rows of `rs`; the cursor does not move.
QString tabText(const platform::db::Recordset& rs);

// Writes `text` in GBK, whole or not at all: an old file stays as it was when
// the write fails. Throws platform::FileError or platform::GbkError.
void writeGbkWhole(const QString& path, const QString& text);
// The export of `rs` written so; a character GBK cannot hold is refused
// naming the student of its row.
void writeTabText(const QString& path, const platform::db::Recordset& rs);

} // namespace results
