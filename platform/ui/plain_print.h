#pragma once
// Plain text on the default printer, as the old programs printed listings:
// each item followed by its line end, then the end of the document. One run
// in the fixed-column font; the printer breaks the pages.

#include <QStringList>

namespace platform {

// False when nothing was printed (no printer, or it failed); the user was told.
bool printPlainText(const QStringList& items);

} // namespace platform
