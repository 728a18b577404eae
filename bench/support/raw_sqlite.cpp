#include "bench/support/raw_sqlite.h"

#include "platform/db/textorder.h"

#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace bench {

namespace {

int benchLayerOrder(void*, int na, const void* a, int nb, const void* b) {
    return platform::db::compareUnits(static_cast<const char16_t*>(a), na / 2, static_cast<const char16_t*>(b),
                                      nb / 2);
}

int benchCaseBlindOrder(void*, int na, const void* a, int nb, const void* b) {
    return QStringView(static_cast<const char16_t*>(a), na / 2)
        .compare(QStringView(static_cast<const char16_t*>(b), nb / 2), Qt::CaseInsensitive);
}

} // namespace

void checkSqlite(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        std::exit(1);
    }
}

QString columnText(sqlite3_stmt* st, int i) {
    const auto* p = static_cast<const char16_t*>(sqlite3_column_text16(st, i));
    return p ? QString::fromUtf16(p) : QString();
}

int columnIndex(sqlite3_stmt* st, const char* name) {
    for (int i = 0; i < sqlite3_column_count(st); ++i)
        if (std::strcmp(sqlite3_column_name(st, i), name) == 0)
            return i;
    return -1;
}

void bindVariant(sqlite3_stmt* st, int i, const QVariant& v) {
    if (v.isNull())
        sqlite3_bind_null(st, i);
    else if (v.metaType().id() == QMetaType::Double)
        sqlite3_bind_double(st, i, double(float(v.toDouble())));
    else {
        const QString s = v.toString();
        sqlite3_bind_text16(st, i, s.utf16(), int(s.size() * 2), SQLITE_TRANSIENT);
    }
}

RawStatement::RawStatement(sqlite3* db, const QString& sql) : db_(db) {
    checkSqlite(sqlite3_prepare16_v2(db, sql.utf16(), -1, &st_, nullptr), db);
}

RawStatement::RawStatement(RawStatement&& other) noexcept : db_(other.db_), st_(other.st_) { other.st_ = nullptr; }

RawStatement::~RawStatement() { finish(); }

bool RawStatement::next() {
    const int rc = sqlite3_step(st_);
    checkSqlite(rc, db_);
    return rc == SQLITE_ROW;
}

void RawStatement::run() {
    checkSqlite(sqlite3_step(st_), db_);
    sqlite3_reset(st_);
}

void RawStatement::finish() {
    sqlite3_finalize(st_);
    st_ = nullptr;
}

RawDb::RawDb(const QString& path, Mode mode, TextOrder order) {
    const int flags = mode == Mode::ReadOnly    ? SQLITE_OPEN_READONLY
                      : mode == Mode::ReadWrite ? SQLITE_OPEN_READWRITE
                                                : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    checkSqlite(sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, flags, nullptr), db_);
    if (order != TextOrder::None)
        sqlite3_create_collation_v2(db_, "JET", SQLITE_UTF16_ALIGNED, nullptr,
                                    order == TextOrder::Layer ? benchLayerOrder : benchCaseBlindOrder, nullptr);
}

void RawDb::exec(const QString& sql) {
    checkSqlite(sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr), db_);
}

void RawDb::close() {
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

} // namespace bench
