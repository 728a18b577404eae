#include "support/other_program.h"

#include "platform/db/database.h"
#include "platform/db/textorder.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace testsupport {

namespace {

int collate(void*, int na, const void* a, int nb, const void* b) {
    return platform::db::compareUnits(static_cast<const char16_t*>(a), na / 2, static_cast<const char16_t*>(b),
                                      nb / 2);
}

} // namespace

OtherProgram::OtherProgram(const QString& path) {
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_create_collation_v2(db_, "JET", SQLITE_UTF16_ALIGNED, nullptr, collate, nullptr);
    sqlite3_busy_timeout(db_, 2000);
}

OtherProgram::~OtherProgram() { sqlite3_close_v2(db_); }

int OtherProgram::run(const QString& sql) {
    char* err = nullptr;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &err);
    EXPECT_EQ(rc, SQLITE_OK) << (err ? err : "") << " in " << sql.toStdString();
    sqlite3_free(err);
    return rc;
}

void OtherProgram::waitAtMost(platform::db::Database& db, int milliseconds) {
    sqlite3_busy_timeout(db.handle(), milliseconds);
}

} // namespace testsupport
