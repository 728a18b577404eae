#pragma once
// The text of a stored value wherever the system shows or writes it: grids,
// exports, web pages. Numbers read as the number text of their field's
// precision, so that a grid and the file exported from it say the same.

#include "platform/db/database.h"

#include <QString>
#include <QVariant>

namespace platform::db {

// Text as stored, numbers with the digits of their precision (a single
// 91.33333, never 91.3333282470703), nothing for Null. A column without a
// declared type (a computed column of a query) takes its value's own.
QString plainValueText(const QVariant& value, FieldType type);

} // namespace platform::db
