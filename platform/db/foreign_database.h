#pragma once
// Reading another database file, never writing it: a file of this system, or
// an Access file the school's old programs kept (Jet 3 or Jet 4). The kind is
// told by the file's first bytes.

#include "platform/db/database.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <functional>
#include <memory>
#include <vector>

namespace platform::db {

struct ForeignField {
    QString name;
    FieldType type = FieldType::Text;   // the nearest type of this system
    int size = 0;                       // characters, for Text
    QString typeName;                   // as the file names it ("Text", "Currency", "OLE" ...)
};

class ForeignDatabase {
public:
    enum class Kind { ThisSystem, Jet3, Jet4 };

    // NotFound for a missing file, WrongPassword when the file holds a password
    // (sources are opened without one), NotADatabase for anything else that is
    // not a readable database, Damaged, Io.
    static std::unique_ptr<ForeignDatabase> open(const QString& path);

    virtual ~ForeignDatabase() = default;
    virtual Kind kind() const = 0;
    virtual QString path() const = 0;
    // The user tables in definition order, without the engine's own.
    virtual QStringList tableNames() const = 0;
    // NoSuchTable when absent (names compare without ASCII letter case).
    virtual std::vector<ForeignField> fields(const QString& table) const = 0;
    // Every row in stored order, one value per field: an invalid QVariant for
    // Null, apart from the empty text; numbers as numbers, dates as QDateTime,
    // yes/no as bool, binary as QByteArray. Reading stops when `row` returns false.
    virtual void readRows(const QString& table,
                          const std::function<bool(const QVariantList&)>& row) const = 0;
    // The read-only connection, for a file of this system; null otherwise.
    virtual std::shared_ptr<Database> database() const { return nullptr; }
};

// Copies a table of `source` into a new table `as` (the same name when empty)
// of `into`, every field unrestricted (Text fields sized to hold what they
// hold); returns the rows copied. Binary values (pictures, OLE objects) have
// no text to compare and are Null in the copy. For typed conditions over
// another file's table, run in Database::createInMemory().
int copyTable(const ForeignDatabase& source, const QString& table, Database& into,
              const QString& as = QString());

// The first `size` bytes of a database file someone chose, taken only from a
// plain file and without waiting: NotFound when nothing is there, Io with the
// reason otherwise (a FIFO, device or folder among them). `length`, when
// given, gets the file's length.
QByteArray readDatabaseHead(const QString& path, qint64 size, qint64* length = nullptr);

// The Access reader: the file read whole by the reader process (see
// reader_process.h), its tables held here. WrongPassword when its header holds
// a password; NotADatabase (with its reason) when it cannot be read, when it is
// damaged (the reader complained, overran its limits or sent anything out of
// shape) or a name is not in the file's code page; a table whose texts are not
// gives its rows up to that one, then NotADatabase when read.
std::unique_ptr<ForeignDatabase> openJetFile(const QString& path);

} // namespace platform::db
