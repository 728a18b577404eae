#pragma once
// SQL that a user types (the advanced student window's list, searches, print
// templates, imports) may only read. This tells such a text apart before it
// runs; the record set opened with SqlOrigin::User checks again with the engine
// and bounds the work.

#include <QString>

namespace platform::db {

// Whether a text is one query (SELECT, or WITH ... SELECT) and nothing more: no
// second statement, nothing that writes (SELECT ... INTO makes a table). Quoted
// texts and comments are skipped; a quote or comment left open is refused.
bool isReadOnlySelect(const QString& sql);

} // namespace platform::db
