#pragma once
// Another program on the same database file, as on a school's shared folder:
// a connection of its own, outside this process's shared one.

#include <QString>

struct sqlite3;

namespace platform::db { class Database; }

namespace testsupport {

class OtherProgram {
public:
    explicit OtherProgram(const QString& path);
    ~OtherProgram();
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;

    // Runs SQL on its connection; a failure fails the test. Returns the engine's code.
    int run(const QString& sql);

    // This process's connection gives up waiting for a busy file after this long
    // instead of the programs' seconds, so that a refused write is tried quickly.
    static void waitAtMost(platform::db::Database& db, int milliseconds);

private:
    sqlite3* db_ = nullptr;
};

} // namespace testsupport
