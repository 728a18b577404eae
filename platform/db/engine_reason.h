#pragma once
// Why the database engine failed, in the user's words: the system's reason
// when a file operation failed underneath, else the engine's kind of failure.

#include <QString>

struct sqlite3;

namespace platform::db {

QString engineReason(sqlite3* handle, int rc);

} // namespace platform::db
