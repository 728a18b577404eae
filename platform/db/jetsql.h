#pragma once
// The SQL the windows and their users write is the old engine's dialect. This
// puts its common forms into SQLite's: "&" joins texts (Null counting as ""),
// #dates# become texts, Left(...) and Right(...) get names SQLite can call, and
// a trailing ";" goes. The engine's functions (Val, Mid, Len, IIf ...), its
// Like and the text order (collation JET) are registered on every connection.

#include <QString>
#include <QStringList>

struct sqlite3;

namespace platform::db {

QString toSqliteSql(const QString& jetSql);
// The same for a text a user typed, with the old engine's arithmetic besides:
// "/" divides as real numbers, "\" gives the whole quotient and Mod the
// remainder, their operands rounded to whole numbers first; a column whose
// text &, /, \ or Mod changed is named as typed. The windows' own SQL keeps SQLite's
// division.
QString typedToSqliteSql(const QString& jetSql);

// The engine's Like: * or % any run, ? or _ one character, # one digit,
// [abc], [a-z] and [!abc] one of (or none of) a set; letters without case.
bool jetLike(const QString& text, const QString& pattern);

// Registers them on a connection; while a typed query runs on it, a function
// outside the typed dialect is refused (SQL 语句有错: no such function ...).
void registerJetFunctions(sqlite3* db);
// The functions a typed query may call.
QStringList typedSqlFunctions();

// Like and the sorting of texts work inside one step of the engine, where the
// progress handler that bounds a typed query never looks. While a typed query
// runs on `db`, they tell that handler of their work themselves (a character
// compared as a step, two texts compared as a few), as the engine does every
// `every` steps. When it answers nonzero, Like stops the query; a sort cannot,
// so its comparisons then only look at lengths and `cut` is set: a query whose
// sort was cut short may not end as done.
struct WorkWatch {
    sqlite3* db = nullptr;
    int every = 0;
    int (*progress)(void*) = nullptr;
    void* arg = nullptr;
    bool cut = false;
    qint64 untold = 0;  // steps not yet told
};
// Watches `watch` (null: none) in this thread; returns the watch it replaces.
WorkWatch* watchJetWork(WorkWatch* watch);

} // namespace platform::db
