#pragma once
// The text order of the database.

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace platform::db {

// The text order of the database: ASCII letters without case, then GBK byte order.
int compareText(const QString& a, const QString& b);
// Names of tables and fields are one name when the text order finds them equal.
inline bool sameName(const QString& a, const QString& b) { return compareText(a, b) == 0; }

uint32_t textWeight(char16_t unit);
int compareUnits(const char16_t* a, qsizetype na, const char16_t* b, qsizetype nb);
// A text as the text order sees it for equality: ASCII letters without case,
// every other character as itself. Equal keys, equal texts.
QString equalityKey(QString text);
// The same for a text's UTF-8 bytes, as bytes: for keys made in bulk. The
// bytes themselves (no copy) when no letter needs folding.
QByteArray equalityKeyUtf8(const QByteArray& utf8);

} // namespace platform::db
