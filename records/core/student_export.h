#pragma once
// The students of the main window's list as a text file a spreadsheet opens,
// and as the preview text that is printed.

#include <QByteArray>
#include <QString>
#include <functional>

namespace platform::db { class Recordset; }

namespace records {

// Quoted values when the path, trimmed, ends in lower-case "xls".
bool quotedExportFor(const QString& path);

// The heading line: field names joined by Tabs, CR LF.
QString exportHeading(const platform::db::Recordset& rs);
// One record line: values joined by Tabs (each between double quotes in the
// quoted form, Null as nothing), CR LF. Nothing inside a value is escaped.
QString exportLine(const platform::db::Recordset& rs, bool quoted);

struct ExportResult {
    bool ok = false;
    QString error;     // why nothing was written
};
// Writes the heading and every record, from the first, to `path` as GBK. The
// file is written beside the target and renamed over it only when complete,
// so a failure keeps an older file as it was and leaves nothing behind.
// `progress` gets the number of records written.
ExportResult exportStudents(platform::db::Recordset& rs, const QString& path,
                            const std::function<void(int written)>& progress = {});

// The preview: a heading line that begins with a Tab, then one line per
// record; an empty or Null value shows "--"; CR LF after every line.
QString printPreviewText(platform::db::Recordset& rs);

} // namespace records
