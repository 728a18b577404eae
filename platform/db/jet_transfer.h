#pragma once
// The stream in which the reader process hands an Access file's tables, fields
// and rows to the program. The program trusts none of it: a process that
// libmdb led astray may send anything, so every frame is checked (its length,
// its kind, the place it comes in, each value against its field) before it is
// kept, and anything out of shape refuses the whole file.
//
// A frame is a 32-bit length and that many bytes, the first a letter:
//   'H' "JETR" and the kind (0 Jet 3, 1 Jet 4)     first, once
//   'T' a table: its name, field count, and per field its name, type, size, type name
//   'R' a row of the last table: one value per field
//   'F' the rest of the last table cannot be read, and why (a text not in the code page)
//   'D' the file cannot be used, and why
//   'E' the count of tables and rows sent                last
// Numbers are little-endian; a text is its byte count and UTF-16.

#include "platform/db/foreign_database.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

namespace platform::db {

// The reader process's side: frames written to a file descriptor as they come.
class JetStreamWriter {
public:
    explicit JetStreamWriter(int fd) : fd_(fd) {}
    void begin(ForeignDatabase::Kind kind);
    void table(const QString& name, const std::vector<ForeignField>& fields);
    void row(const QVariantList& values);
    void tableFailed(const QString& reason);
    void damaged(const QString& reason);
    void end();
    // False once a write failed (the program stopped listening).
    bool flush();

private:
    void frame(const QByteArray& body);
    int fd_;
    QByteArray buffer_;
    std::vector<FieldType> types_;
    quint32 tables_ = 0;
    quint64 rows_ = 0;
    bool failed_ = false;
};

// The program's side: fed the bytes as they arrive; the first fault stops it.
class JetStreamReader {
public:
    // `byteLimit` and `rowLimit` bound what a runaway reader can make the program hold.
    JetStreamReader(ForeignDatabase::Kind expected, qint64 byteLimit, qint64 rowLimit);
    ~JetStreamReader();
    JetStreamReader(const JetStreamReader&) = delete;
    JetStreamReader& operator=(const JetStreamReader&) = delete;

    // False once the stream is refused; reason() says why.
    bool feed(const char* data, qsizetype size);
    // The end frame came, and nothing after it.
    bool complete() const;
    bool refused() const { return !reason_.isEmpty(); }
    QString reason() const { return reason_; }
    // The reason is the reader's own ('D'), not a fault found in the stream.
    bool reportedByReader() const { return reportedByReader_; }
    // The file as sent; only when complete().
    std::unique_ptr<ForeignDatabase> take(const QString& path);

    struct Table;

private:
    bool refuse(const QString& reason);
    bool frame(const QByteArray& body);

    ForeignDatabase::Kind expected_;
    qint64 byteLimit_, rowLimit_;
    qint64 bytes_ = 0, rows_ = 0;
    QByteArray pending_;
    enum class State { Start, Tables, Done } state_ = State::Start;
    std::vector<Table> tables_;
    bool lastTableOpen_ = false;
    QString reason_;
    bool reportedByReader_ = false;
};

} // namespace platform::db
