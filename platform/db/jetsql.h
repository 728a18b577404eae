#pragma once
// The SQL the windows and their users write is the old engine's dialect. This
// puts its common forms into SQLite's: "&" joins texts (Null counting as ""),
// #dates# become texts, Left(...) and Right(...) get names SQLite can call, and
// a trailing ";" goes. The engine's functions (Val, Mid, Len, IIf ...) and its
// Like are registered on every connection.

#include <QString>

struct sqlite3;

namespace platform::db {

QString toSqliteSql(const QString& jetSql);
// The same for a text a user typed, with the old engine's arithmetic besides:
// "/" divides as real numbers, "\" gives the whole quotient and Mod the
// remainder, their operands rounded to whole numbers first. The windows' own
// SQL keeps SQLite's division.
QString typedToSqliteSql(const QString& jetSql);

// The engine's Like: * or % any run, ? or _ one character, # one digit,
// [abc], [a-z] and [!abc] one of (or none of) a set; letters without case.
bool jetLike(const QString& text, const QString& pattern);

void registerJetFunctions(sqlite3* db);

} // namespace platform::db
