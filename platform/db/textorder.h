#pragma once
// The text order of the database (see compareText in database.h).

#include <QString>
#include <cstdint>

namespace platform::db {

uint32_t textWeight(char16_t unit);
int compareUnits(const char16_t* a, qsizetype na, const char16_t* b, qsizetype nb);

} // namespace platform::db
