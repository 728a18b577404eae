#pragma once
// One statement of the layer run over many rows: prepared once, values bound
// and read by position without a QVariant list per row. For the bulk work of
// a stage inside its transaction, where building a list per row would cost
// more than the engine's own work.

#include "platform/db/database.h"

#include <QByteArrayView>
#include <QString>
#include <QVariant>

namespace platform::db {

class Statement {
public:
    // BadSql as Database::execute for a text that is not one statement.
    Statement(Database& db, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Parameters are numbered from 1, as "?" placeholders count them; a bound
    // value stays until it is bound again.
    void bindNull(int index);
    void bind(int index, double value);
    void bind(int index, qint64 value);
    void bind(int index, const QVariant& value);
    // A text as the file stores it (UTF-8), e.g. one read by utf8(); a null
    // array binds Null.
    void bindUtf8(int index, const QByteArray& text);
    // The same without a copy, for bytes that stay unchanged until the
    // statement has run (or is bound again).
    void bindUtf8Kept(int index, const QByteArray& text);

    // Runs a write to its end and readies the statement for the next values;
    // the number of rows changed. DbError as Database::execute.
    int run();

    // Steps a read: true while there is a row, false at the end (the
    // statement is then ready to run again). DbError as Database::query.
    bool next();
    // The columns of the current row, numbered from 0.
    bool isNull(int column) const;
    double number(int column) const;
    qint64 integer(int column) const;
    QString text(int column) const;
    // A text column's bytes as stored, with no conversion; null for Null.
    QByteArray utf8(int column) const;
    // The same without a copy: valid until the next step.
    QByteArrayView utf8View(int column) const;

private:
    Database& db_;
    QString sql_;
    sqlite3_stmt* stmt_;
    bool writes_;
};

// While it is active, the writes run through write() leave out the file's
// CHECK rules (NOT NULL still holds): for a bulk write whose values the
// caller has vouched for with the fits... functions below, where the rules
// would cost as much as the write itself. Any other write on the connection
// meanwhile (one a timer or an open editor makes while the caller's loop lets
// events in) puts the rules back before it runs, and the next write() leaves
// them out again; changing the setting prepares every statement again on its
// next run, so the caller prepares its statements once the scope is made. A
// value the caller cannot vouch for is written after restore(), so that the
// engine refuses it with its usual message.
class FieldRulesOff {
public:
    explicit FieldRulesOff(Database& db);
    ~FieldRulesOff();
    FieldRulesOff(const FieldRulesOff&) = delete;
    FieldRulesOff& operator=(const FieldRulesOff&) = delete;
    // Runs `writes`, the caller's own statements and nothing that lets events
    // in, and returns what it returns.
    template <class Writes>
    decltype(auto) write(Writes&& writes) {
        const Vouched vouched(*this);
        return writes();
    }
    // The rules hold for every write from now on.
    void restore();
    bool active() const { return active_; }

private:
    class Vouched {
    public:
        explicit Vouched(FieldRulesOff& off) : off_(off) { off_.startVouched(); }
        ~Vouched() { off_.endVouched(); }
        Vouched(const Vouched&) = delete;
        Vouched& operator=(const Vouched&) = delete;
    private:
        FieldRulesOff& off_;
    };
    void startVouched();
    void endVouched();

    Database& db_;
    bool active_ = true;
};

// Whether a value bound as text (its UTF-8 bytes; null for Null) passes the
// CHECK rules of a Text or Memo field; false for a field of another type.
bool fitsTextField(const FieldDef& field, const QByteArray& utf8);
// Whether a number bound as a double passes the CHECK rules of a Single or
// Double field; false for a field of another type.
bool fitsNumberField(const FieldDef& field, double value);

} // namespace platform::db
