#pragma once
// The database of both programs: one SQLite file, opened once per process and
// shared by every record set and data control that works on it.
//
// Text fields compare without regard to ASCII letter case and sort in GBK
// order, as the school's Simplified Chinese setting always did. Tables have no
// key: a row is known by its rowid, and stored order is rowid order.
// The password gates the programs; it does not encrypt the file.

#include "platform/db/db_error.h"
#include "platform/db/jetsql.h"
#include "platform/db/textorder.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace platform::db {

enum class FieldType { Text, Single, Integer, Long, Double, Date, Memo, Boolean };

struct FieldDef {
    QString name;
    FieldType type = FieldType::Text;
    int size = 0;                   // characters, for Text
    bool required = false;
    bool allowZeroLength = false;
};

struct TableDef {
    QString name;
    std::vector<FieldDef> fields;
};

// What read or wrote rows inside a transaction and must read them again when
// that work is rolled back: the record sets.
class RollbackListener {
public:
    virtual void rereadAfterRollback() noexcept = 0;
protected:
    ~RollbackListener() = default;
};

class Database : public std::enable_shared_from_this<Database> {
public:
    static constexpr const char* defaultLocale = ";LANGID=0x0804;CP=936;COUNTRY=0";

    // Creates a new file; fails (AlreadyExists/CannotCreate) when it exists or can't be made.
    static std::shared_ptr<Database> create(const QString& path,
                                            const QString& locale = QString::fromLatin1(defaultLocale));
    // Opens (or returns the already open) connection; WrongPassword when the password does not match.
    static std::shared_ptr<Database> open(const QString& path, const QString& password);
    // Parses "Provider=...;Data Source=<path>;...;Jet OLEDB:Database Password=<pw>"; a value
    // may stand between double or single quotes (doubled inside), see connectionValue().
    static std::shared_ptr<Database> openConnectionText(const QString& connectionText);
    // Path and password of a connection text (either may be empty).
    static std::pair<QString, QString> parseConnectionText(const QString& connectionText);
    // Changes the password of a file nobody of ours holds open (InUse otherwise).
    static void changePassword(const QString& path, const QString& oldPassword,
                               const QString& newPassword);
    // When damage is looked for. Left to the reads, it is found only where a
    // read trips on it (the read fails as Damaged, with the same message); a
    // page listed twice, for one, is read twice and the page it replaced never.
    // Files are walked at opening; OnRead shows what a read alone sees.
    enum class DamageCheck { AtOpen, OnRead };
    // A connection of its own that can never write the file, even when the same file
    // is open for writing here; not shared. WrongPassword, NotADatabase, NotFound,
    // Damaged as open().
    static std::shared_ptr<Database> openReadOnly(const QString& path, const QString& password,
                                                  DamageCheck check = DamageCheck::AtOpen);
    // A scratch database in memory with no table yet, gone with its last holder:
    // typed conditions over rows read from another file run in it.
    static std::shared_ptr<Database> createInMemory();
    // The open connection of this file in this process, if any.
    static std::shared_ptr<Database> openedAlready(const QString& path);

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    QString path() const;
    QString locale() const;
    QStringList tableNames() const;                 // the system's tables, in creation order
    bool hasTable(const QString& name) const;
    TableDef tableDef(const QString& table) const;  // fields in stored order; NoSuchTable
    // Refuses (Damaged, as any damaged file) a table whose own rules in the
    // file are not those its fields give, as createTable writes them: a value
    // checked against the fields would not be the value the file takes.
    // NoSuchTable as tableDef.
    void checkRulesKept(const QString& table) const;
    void createTable(const TableDef& def);
    void dropTable(const QString& table);
    // Sets or changes the database password ("" = none). Refused (InUse) while another
    // Database/Recordset/DataControl of ours holds the file open.
    void setPassword(const QString& oldPassword, const QString& newPassword);
    bool hasPassword() const;

    // Nested calls nest: only the outermost commit writes. When the engine itself
    // undoes the transaction (disk full, I/O error), the failure says so, every
    // later write and commit in the scope is refused (TransactionLost), and the
    // rollbacks of the open scopes only close them. Record sets that read or
    // wrote rows in undone work are read again.
    void begin();
    void commit();
    void rollback();
    bool inTransaction() const;
    // Rows written by this connection since it was opened, rolled back or not:
    // whether a piece of work wrote anything at all.
    qint64 rowsWritten() const;

    // Bulk work with bound parameters ("?" placeholders); the engine's type rules apply to writes
    // made through record sets; these are for reads and for statements the layer validates.
    // One statement per text: a second one is refused (BadSql), a trailing ";" is fine.
    int execute(const QString& sql, const QVariantList& params = {});
    std::vector<QVariantList> query(const QString& sql, const QVariantList& params = {});
    QVariant scalar(const QString& sql, const QVariantList& params = {});

    // Inserts one row after checking it against the table's rules; returns its rowid.
    // Fields not named are Null.
    qint64 insertRow(const QString& table, const QStringList& fields, const QVariantList& values);
    // Writes the named fields of one row after checking them; RowChanged when the row is gone.
    void updateRow(const QString& table, qint64 rowid, const QStringList& fields,
                   const QVariantList& values);
    void deleteRow(const QString& table, qint64 rowid);

    // Bounds the statements run while it lives (typed SQL): their engine steps (Like's
    // and the text order's comparisons counted among them), their time and the length
    // of any one value. Past one of them the statement stops with TooMuchWork. Nested
    // limits keep the outer one.
    class WorkLimit {
    public:
        explicit WorkLimit(Database& db);
        ~WorkLimit();
        WorkLimit(const WorkLimit&) = delete;
        WorkLimit& operator=(const WorkLimit&) = delete;
        // TooMuchWork when a sort was cut short by the bound: a query that
        // ran to its end then gave rows in no order.
        void checkComplete() const;
        // Time, in milliseconds, and the length in bytes of one value; for typed SQL
        // a school's data needs a small part of either.
        static constexpr int kMilliseconds = 2000;
        static constexpr int kValueBytes = 4 * 1024 * 1024;
        // The engine's memory may grow by this much while the limit lives: many
        // values at once (a hundred arguments, a thousand columns) stay bounded too.
        static constexpr qint64 kEngineBytes = 48 * 1024 * 1024;
    private:
        Database& db_;
        bool outer_;
        int lengthBefore_ = 0;
        qint64 heapBefore_ = 0;
        WorkWatch watch_;
        WorkWatch* watchBefore_ = nullptr;
    };

    // The value as the field stores it (a Single rounded to single precision, a text
    // converted to a number ...), or DbError (TooLong, RequiredNull, ZeroLength,
    // TypeMismatch, OutOfRange) naming the field.
    static QVariant checkedValue(const FieldDef& field, const QVariant& value);

    // Engine-level access for the layer itself.
    sqlite3* handle() const {
        checkThread();
        return db_;
    }
    // The connection is opened without the engine's own lock: it may be used
    // only by the thread that opened it. Any other stops the program here,
    // before two threads can meet inside the engine.
    void checkThread() const {
        if (std::this_thread::get_id() != thread_)
            usedByAnotherThread();
    }
    // Cached; call release() when done. A statement being stepped is never handed
    // out twice nor finalized by the cache: a second user gets one of its own.
    sqlite3_stmt* prepared(const QString& sql);
    void release(sqlite3_stmt* stmt);
    // The same with `params` bound, refused (as execute refuses) when it writes to a
    // file that takes no writes.
    sqlite3_stmt* preparedBound(const QString& sql, const QVariantList& params);
    // Prepares exactly one statement of a text (already in SQLite's dialect); BadSql for a
    // second one. The caller finalizes it.
    sqlite3_stmt* prepareOne(const QString& sql, const QString& shownAs);
    [[noreturn]] void fail(int rc, const QString& what);
    const TableDef* findTable(const QString& name);   // null when absent
    // Writes values already checked with checkedValue (fields by index into def.fields).
    qint64 insertChecked(const TableDef& def, const std::vector<int>& fields,
                         const std::vector<QVariant>& values);
    // Writes a row only while it still holds `expected` in the fields `matched`, and
    // refuses (RowChanged) when no row is reached.
    void updateChecked(const TableDef& def, qint64 rowid, const std::vector<int>& fields,
                       const std::vector<QVariant>& values, const std::vector<int>& matched = {},
                       const std::vector<QVariant>& expected = {});
    void deleteChecked(const TableDef& def, qint64 rowid, const std::vector<int>& matched,
                       const std::vector<QVariant>& expected);
    // Writes through a record set are refused while a transaction the engine undid is open.
    // Every write comes here first: one that is not the vouched writes of a
    // FieldRulesOff turns the file's rules back on before it runs.
    void checkWritable();
    // A record set that read or wrote rows inside the open transaction: it is read again
    // when that work is rolled back. forget() when it goes.
    void noteRecordset(RollbackListener* rs);
    void forget(RollbackListener* rs);
    static void bind(sqlite3_stmt* stmt, int index, const QVariant& value);
    // A column of the current result row, typed by the field when one is given.
    static QVariant column(sqlite3_stmt* stmt, int index, const FieldDef* field);

private:
    friend class FieldRulesOff;

    Database(const QString& canonicalPath, sqlite3* handle);
    [[noreturn]] void usedByAnotherThread() const;
    // Leaves the file's CHECK rules out of the statements run from now on, or
    // puts them back; DbError when the engine refuses.
    void setFieldRules(bool on);
    // Checked for format and damage. Shared: read and write, one connection
    // per file in this process. Otherwise a connection of its own that only reads.
    static std::shared_ptr<Database> openFile(const QString& path, bool shared = true,
                                              DamageCheck check = DamageCheck::AtOpen);
    void checkPassword(const QString& password) const;
    void loadSchema();
    QString property(const QString& name) const;
    void setProperty(const QString& name, const QString& value);

    void noticeLostTransaction();
    void rereadAfterRollback(int depth);
    void finalizeIdle();

    QString path_;
    sqlite3* db_ = nullptr;
    std::thread::id thread_ = std::this_thread::get_id();
    // In the registry of shared connections, which only the main thread uses:
    // a connection of another thread (a read-only one) never touches it.
    bool registered_ = false;
    bool rulesLeftOut_ = false;      // CHECK rules off on the connection
    bool vouchedWrites_ = false;     // the writes running now are a FieldRulesOff's own
    int depth_ = 0;
    bool lost_ = false;              // the engine undid the open transaction
    bool workLimited_ = false;
    qint64 workDone_ = 0;            // progress calls since the limit began
    qint64 workDeadline_ = 0;        // steady clock, nanoseconds
    static int countWork(void* self);
    std::vector<TableDef> tables_;
    struct Cached { QString sql; sqlite3_stmt* stmt; bool inUse; };
    std::vector<Cached> cache_;
    // The record sets that read or wrote in the open transaction, with the deepest
    // level they did so at.
    std::vector<std::pair<RollbackListener*, int>> touched_;
    // The last row statements, reused as long as the same fields are written.
    struct RowStatement { QString table; std::vector<int> fields; sqlite3_stmt* stmt = nullptr; };
    RowStatement lastInsert_, lastUpdate_, lastDelete_;
    void dropRowStatements();
    sqlite3_stmt* rowStatement(RowStatement& slot, const TableDef& def, const std::vector<int>& fields,
                               const std::function<QString()>& sql);
};

// Rolls back unless committed.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    void commit();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
private:
    Database& db_;
    bool done_ = false;
};

// A text value safely put between single quotes for an SQL or criteria text: O'Brien -> 'O''Brien'.
QString quoteText(const QString& value);
// A table or field name for an SQL text: 成绩表 -> "成绩表", a double quote doubled.
QString quoteName(const QString& name);

// A value for a connection text: as it is, or between double quotes when it holds
// ";", "=", quotes or blanks at its ends, so that any password survives the parsing.
QString connectionValue(const QString& value);

} // namespace platform::db
