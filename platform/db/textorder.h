#pragma once
// The text order of the database (see compareText in database.h).

#include <QString>
#include <cstdint>

namespace platform::db {

uint32_t textWeight(char16_t unit);
int compareUnits(const char16_t* a, qsizetype na, const char16_t* b, qsizetype nb);
// A text as the text order sees it for equality: ASCII letters without case,
// every other character as itself. Equal keys, equal texts.
QString equalityKey(QString text);

} // namespace platform::db
