#pragma once
// The raw-SQLite side of the benchmarks' baselines: a connection and a
// statement that end themselves, any failure ending the run with SQLite's own
// message.

#include <QString>
#include <QVariant>
#include <sqlite3.h>

namespace bench {

// Ends the run with SQLite's message unless `rc` is a success.
void checkSqlite(int rc, sqlite3* db);

// The text of a column, a null string for Null.
QString columnText(sqlite3_stmt* st, int i);
// The index of the result column `name`, -1 when there is none.
int columnIndex(sqlite3_stmt* st, const char* name);
// Binds as the data layer stores: Null, a mark as single precision, else text.
void bindVariant(sqlite3_stmt* st, int i, const QVariant& v);

class RawStatement {
public:
    RawStatement(sqlite3* db, const QString& sql);
    RawStatement(RawStatement&& other) noexcept;
    RawStatement(const RawStatement&) = delete;
    RawStatement& operator=(const RawStatement&) = delete;
    ~RawStatement();

    operator sqlite3_stmt*() const { return st_; }
    // The next row; false at the end.
    bool next();
    // One run of a write: step, then ready for the next binding.
    void run();
    void bind(int i, const QVariant& v) { bindVariant(st_, i, v); }
    void bindRowid(int i, sqlite3_int64 rowid) { sqlite3_bind_int64(st_, i, rowid); }
    QString text(int i) const { return columnText(st_, i); }
    // Finalized before its end of scope, for a timing that should include it.
    void finish();

private:
    sqlite3* db_;
    sqlite3_stmt* st_ = nullptr;
};

// A raw connection to a database file. `textOrder` names the collation that
// the file's text columns declare: the data layer's, or a case-blind stand-in.
class RawDb {
public:
    enum class Mode { ReadOnly, ReadWrite, Create };
    enum class TextOrder { None, Layer, CaseBlind };

    explicit RawDb(const QString& path, Mode mode = Mode::ReadWrite, TextOrder order = TextOrder::Layer);
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;
    ~RawDb() { close(); }

    operator sqlite3*() const { return db_; }
    void exec(const QString& sql);
    RawStatement prepare(const QString& sql) const { return RawStatement(db_, sql); }
    // Closed before its end of scope, for a timing that should include it.
    void close();

private:
    sqlite3* db_ = nullptr;
};

} // namespace bench
