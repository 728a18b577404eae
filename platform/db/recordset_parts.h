#pragma once
// What the files of the record set share: the parsed criteria and the
// comparison of stored values.

#include "platform/db/recordset.h"

#include <QString>
#include <QVariant>
#include <vector>

namespace platform::db {

// Criteria: terms "field op value" joined by And (and Or, which binds weaker).

struct Recordset::Criteria {
    enum Op { Eq, Ne, Lt, Gt, Le, Ge, Like, IsNull, NotNull };
    struct Term {
        int field = -1;
        Op op = Eq;
        QVariant literal;
        QString pattern;           // for Like
    };
    std::vector<std::vector<Term>> anyOf;
};

namespace recordset_parts {

bool isTextType(FieldType t);
QString unbracket(QString name);
[[noreturn]] void noCurrent();
bool isNumber(const QVariant& v);
// Order of two stored values of one column: Null first, texts in the database's text order.
int compareValues(const QVariant& a, const QVariant& b);

} // namespace recordset_parts

} // namespace platform::db
