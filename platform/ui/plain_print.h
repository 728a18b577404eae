#pragma once
// Plain text on the default printer, as the old programs printed listings:
// each item followed by its line end, then the end of the document. Each
// line of the items is one printed line, as printLines prints them.

#include <QStringList>

namespace platform {

// False when nothing was printed (no printer, a queue that refuses the job,
// or a failure); the user was told. `jobName` names the job in the queue: the
// caption of the window that prints.
bool printPlainText(const QStringList& items, const QString& jobName);

// Lines laid out in display columns, every line one printed line within the
// margins. The page turns landscape when portrait is too narrow for the
// widest line, and the font shrinks when landscape is too.
bool printLines(const QStringList& lines, const QString& jobName);

// Tab-separated lines as a table: each Tab starts the next column, each
// column as wide as its widest text; printed as printLines does.
bool printColumns(const QStringList& lines, const QString& jobName);

} // namespace platform
