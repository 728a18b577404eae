#include "platform/db/db_error.h"

namespace platform::db {

DbError::DbError(Kind kind, const QString& text)
    : std::runtime_error(text.toStdString()), kind_(kind), text_(text) {}

} // namespace platform::db
