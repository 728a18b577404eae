#pragma once
// A backup copy of an open database: the whole file, consistent even while
// this or the other program writes, taken through the engine from the open
// connection. Checked first, then written as every file is (whole or not at
// all, see platform/text/whole_file.h), so a failure leaves a file of that
// name as it was.

#include <QString>

namespace platform::db {

class Database;

// Throws DbError with the reason (the target is the open file itself, the
// folder cannot be written, the disk is full ...).
void backupDatabase(Database& db, const QString& target);

} // namespace platform::db
