#include "platform/db/db_error.h"

namespace platform::db {

DbError::DbError(Kind kind, const QString& text)
    : platform::MessageError(text), kind_(kind) {}

} // namespace platform::db
