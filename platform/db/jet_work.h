#pragma once
// The work the engine's functions of our own and the text order count while a
// typed query runs (see WorkWatch).

#include "platform/db/jetsql.h"

struct sqlite3_context;
struct sqlite3_value;

namespace platform::db {

// The watch of the typed query running on connection `db` in this thread; null when none.
WorkWatch* watchOn(const void* db);
// Tells the watch of `steps` more steps of work; whether the query is to stop.
bool spend(WorkWatch& w, qint64 steps);
// Every function of our own tells a typed query's watch of its work: a step
// for each byte of its texts, besides what a long search or match counts
// itself. False (and the call's result the engine's stop) when the query is
// to stop.
bool tellWork(sqlite3_context* ctx, int argc, sqlite3_value** argv);
template <void (*fn)(sqlite3_context*, int, sqlite3_value**)>
void counted(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (tellWork(ctx, argc, argv))
        fn(ctx, argc, argv);
}

// The text order as the engine's collation JET (`db` the connection).
int collateJet(void* db, int na, const void* a, int nb, const void* b);

} // namespace platform::db
