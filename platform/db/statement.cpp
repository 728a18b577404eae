#include "platform/db/statement.h"

#include <sqlite3.h>

#include <cmath>

namespace platform::db {

Statement::Statement(Database& db, const QString& sql)
    : db_(db), sql_(sql), stmt_(db.prepared(sql)), writes_(!sqlite3_stmt_readonly(stmt_)) {}

Statement::~Statement() { db_.release(stmt_); }

void Statement::bindNull(int index) { sqlite3_bind_null(stmt_, index); }

void Statement::bind(int index, double value) { sqlite3_bind_double(stmt_, index, value); }

void Statement::bind(int index, qint64 value) { sqlite3_bind_int64(stmt_, index, value); }

void Statement::bind(int index, const QVariant& value) { Database::bind(stmt_, index, value); }

void Statement::bindUtf8(int index, const QByteArray& text) {
    if (text.isNull())
        sqlite3_bind_null(stmt_, index);
    else
        sqlite3_bind_text(stmt_, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

void Statement::bindUtf8Kept(int index, const QByteArray& text) {
    if (text.isNull())
        sqlite3_bind_null(stmt_, index);
    else
        sqlite3_bind_text(stmt_, index, text.constData(), int(text.size()), SQLITE_STATIC);
}

int Statement::run() {
    if (writes_)
        db_.checkWritable();
    int rc;
    while ((rc = sqlite3_step(stmt_)) == SQLITE_ROW) {}
    sqlite3_reset(stmt_);
    if (rc != SQLITE_DONE)
        db_.fail(rc, sql_);
    return sqlite3_changes(db_.handle());
}

bool Statement::next() {
    if (writes_)
        db_.checkWritable();
    else
        db_.checkThread();
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    sqlite3_reset(stmt_);
    if (rc != SQLITE_DONE)
        db_.fail(rc, sql_);
    return false;
}

bool Statement::isNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

double Statement::number(int column) const { return sqlite3_column_double(stmt_, column); }

qint64 Statement::integer(int column) const { return sqlite3_column_int64(stmt_, column); }

QString Statement::text(int column) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return QString::fromUtf8(p, sqlite3_column_bytes(stmt_, column));
}

QByteArray Statement::utf8(int column) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    if (!p)
        return {};
    const int n = sqlite3_column_bytes(stmt_, column);
    return n ? QByteArray(p, n) : QByteArray("");
}

QByteArrayView Statement::utf8View(int column) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    if (!p)
        return {};
    return QByteArrayView(p, sqlite3_column_bytes(stmt_, column));
}

FieldRulesOff::FieldRulesOff(Database& db) : db_(db) {
    // Left out from the start, so that the caller's statements, prepared
    // next, are made without them: a statement of many rows costs much more
    // to prepare with its rules.
    startVouched();
    endVouched();
}

FieldRulesOff::~FieldRulesOff() { restore(); }

void FieldRulesOff::restore() {
    active_ = false;
    // Should the engine refuse now, the next write tries again and is refused
    // unless the rules are back.
    if (db_.rulesLeftOut_)
        try {
            db_.setFieldRules(true);
        } catch (const DbError&) {
        }
}

void FieldRulesOff::startVouched() {
    if (active_ && !db_.rulesLeftOut_)
        try {
            db_.setFieldRules(false);
        } catch (const DbError&) {
            active_ = false;   // written with the rules, as any other write
        }
    db_.vouchedWrites_ = active_;
}

void FieldRulesOff::endVouched() { db_.vouchedWrites_ = false; }

bool fitsTextField(const FieldDef& field, const QByteArray& utf8) {
    if (field.type != FieldType::Text && field.type != FieldType::Memo)
        return false;
    if (utf8.isNull())
        return true;
    if (utf8.isEmpty())
        return field.allowZeroLength;
    if (field.type == FieldType::Memo)
        return true;
    // Characters as the engine's length() counts them: every byte that does
    // not continue a UTF-8 sequence.
    qsizetype characters = 0;
    for (const char c : utf8)
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return characters <= field.size;
}

bool fitsNumberField(const FieldDef& field, double value) {
    if (field.type == FieldType::Double)
        return true;
    // The rule's bound, the largest single; NaN is bound as Null.
    return field.type == FieldType::Single && (std::isnan(value) || std::abs(value) <= 3.4028234663852886e38);
}

} // namespace platform::db
