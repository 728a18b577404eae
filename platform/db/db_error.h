#pragma once
// The one failure of the database layer: a kind to act on and a text to show.

#include "platform/text/message_error.h"

#include <QString>

namespace platform::db {

class DbError : public platform::MessageError {
public:
    enum Kind { NotFound, NotADatabase, WrongPassword, AlreadyExists, CannotCreate, Busy,
                NoSuchTable, NoSuchField, TooLong, RequiredNull, ZeroLength, TypeMismatch,
                OutOfRange, NoCurrentRecord, BadCriteria, BadSql, InUse, Io,
                ReadOnly,
                RowChanged,       // the row read is gone or was changed by someone else
                TransactionLost,  // the engine undid the open transaction (disk full, I/O error)
                Damaged,          // a file of ours that is damaged
                TooMuchWork,      // a typed query ran past its bounds, or memory ran out
                Stale };          // a record set that must be read again before use
    DbError(Kind kind, const QString& text);
    Kind kind() const { return kind_; }
    // The file took no write at all (a full disk or an I/O error, a
    // transaction the engine undid, another program's lock, a file that may
    // not be written), as opposed to one row or value it refused.
    bool fileRefusedWrite() const {
        return kind_ == Io || kind_ == TransactionLost || kind_ == Busy || kind_ == ReadOnly;
    }
private:
    Kind kind_;
};

} // namespace platform::db
