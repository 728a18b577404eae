#pragma once
// A backup copy of an open database: the whole file, consistent even while
// this or the other program writes, taken through the engine from the open
// connection. Written beside the target first and checked there; only a
// complete, sound copy replaces the target, so a failure leaves a file of
// that name as it was.

#include <QString>

namespace platform::db {

class Database;

// Throws DbError with the reason (the target is the open file itself, the
// folder cannot be written, the disk is full ...).
void backupDatabase(Database& db, const QString& target);

// The engine's file layer the copy is written through; empty is the
// ordinary one. Tests put one there that fails on demand.
void setBackupFileLayerForTests(const QString& name);

} // namespace platform::db
