#pragma once
// The one message for a school-wide change the database refused.

namespace platform::db {
class DbError;
}

namespace maintenance {

// The change was rolled back whole; the user hears why.
void reportUndone(const platform::db::DbError& e);

} // namespace maintenance
