#pragma once
// The database of both programs: one SQLite file, opened once per process and
// shared by every record set and data control that works on it.
//
// Text fields compare without regard to ASCII letter case and sort in GBK
// order, as the school's Simplified Chinese setting always did. Tables have no
// key: a row is known by its rowid, and stored order is rowid order.
// The password gates the programs; it does not encrypt the file.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <functional>
#include <memory>
#include <stdexcept>
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

class DbError : public std::runtime_error {
public:
    enum Kind { NotFound, NotADatabase, WrongPassword, AlreadyExists, CannotCreate, Busy,
                NoSuchTable, NoSuchField, TooLong, RequiredNull, ZeroLength, TypeMismatch,
                OutOfRange, NoCurrentRecord, BadCriteria, BadSql, InUse, Io,
                ReadOnly };
    DbError(Kind kind, const QString& text);
    Kind kind() const { return kind_; }
    QString text() const { return text_; }
private:
    Kind kind_;
    QString text_;
};

class Database : public std::enable_shared_from_this<Database> {
public:
    static constexpr const char* defaultLocale = ";LANGID=0x0804;CP=936;COUNTRY=0";

    // Creates a new file; fails (AlreadyExists/CannotCreate) when it exists or can't be made.
    static std::shared_ptr<Database> create(const QString& path,
                                            const QString& locale = QString::fromLatin1(defaultLocale));
    // Opens (or returns the already open) connection; WrongPassword when the password does not match.
    static std::shared_ptr<Database> open(const QString& path, const QString& password);
    // Parses "Provider=...;Data Source=<path>;...;Jet OLEDB:Database Password=<pw>".
    static std::shared_ptr<Database> openConnectionText(const QString& connectionText);
    // Path and password of a connection text (either may be empty).
    static std::pair<QString, QString> parseConnectionText(const QString& connectionText);
    // Changes the password of a file nobody of ours holds open (InUse otherwise).
    static void changePassword(const QString& path, const QString& oldPassword,
                               const QString& newPassword);
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
    void createTable(const TableDef& def);
    void dropTable(const QString& table);
    // Sets or changes the database password ("" = none). Refused (InUse) while another
    // Database/Recordset/DataControl of ours holds the file open.
    void setPassword(const QString& oldPassword, const QString& newPassword);
    bool hasPassword() const;

    // Nested calls nest: only the outermost commit writes.
    void begin();
    void commit();
    void rollback();
    bool inTransaction() const;

    // Bulk work with bound parameters ("?" placeholders); the engine's type rules apply to writes
    // made through record sets; these are for reads and for statements the layer validates.
    int execute(const QString& sql, const QVariantList& params = {});
    std::vector<QVariantList> query(const QString& sql, const QVariantList& params = {});
    QVariant scalar(const QString& sql, const QVariantList& params = {});

    // Inserts one row after checking it against the table's rules; returns its rowid.
    // Fields not named are Null.
    qint64 insertRow(const QString& table, const QStringList& fields, const QVariantList& values);
    // Writes the named fields of one row after checking them.
    void updateRow(const QString& table, qint64 rowid, const QStringList& fields,
                   const QVariantList& values);
    void deleteRow(const QString& table, qint64 rowid);

    // The value as the field stores it (a Single rounded to single precision, a text
    // converted to a number ...), or DbError (TooLong, RequiredNull, ZeroLength,
    // TypeMismatch, OutOfRange) naming the field.
    static QVariant checkedValue(const FieldDef& field, const QVariant& value);

    // Engine-level access for the layer itself.
    sqlite3* handle() const { return db_; }
    sqlite3_stmt* prepared(const QString& sql);     // cached; call release() when done
    void release(sqlite3_stmt* stmt);
    [[noreturn]] void fail(int rc, const QString& what) const;
    const TableDef* findTable(const QString& name);   // null when absent
    // Writes values already checked with checkedValue (fields by index into def.fields).
    qint64 insertChecked(const TableDef& def, const std::vector<int>& fields,
                         const std::vector<QVariant>& values);
    void updateChecked(const TableDef& def, qint64 rowid, const std::vector<int>& fields,
                       const std::vector<QVariant>& values);
    static void bind(sqlite3_stmt* stmt, int index, const QVariant& value);
    // A column of the current result row, typed by the field when one is given.
    static QVariant column(sqlite3_stmt* stmt, int index, const FieldDef* field);

private:
    Database(const QString& canonicalPath, sqlite3* handle);
    static std::shared_ptr<Database> openFile(const QString& path);
    void checkPassword(const QString& password) const;
    void loadSchema();
    QString property(const QString& name) const;
    void setProperty(const QString& name, const QString& value);

    QString path_;
    sqlite3* db_ = nullptr;
    int depth_ = 0;
    std::vector<TableDef> tables_;
    std::vector<std::pair<QString, sqlite3_stmt*>> cache_;
    // The last row statements, reused as long as the same fields are written.
    struct RowStatement { QString table; std::vector<int> fields; sqlite3_stmt* stmt = nullptr; };
    RowStatement lastInsert_, lastUpdate_;
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

// The text order of the database: ASCII letters without case, then GBK byte order.
int compareText(const QString& a, const QString& b);

} // namespace platform::db
