#include "platform/db/value_text.h"

#include "platform/text/number_text.h"

namespace platform::db {

QString plainValueText(const QVariant& value, FieldType type) {
    if (value.isNull())
        return {};
    switch (type) {
    case FieldType::Single:
        return platform::PlainNumberText(value.toFloat(), platform::Precision::Single);
    case FieldType::Double:
        return platform::PlainNumberText(value.toDouble(), platform::Precision::Double);
    case FieldType::Integer:
    case FieldType::Long:
        return QString::number(value.toLongLong());
    default:
        break;
    }
    switch (value.typeId()) {
    case QMetaType::Float:
        return platform::PlainNumberText(value.toFloat(), platform::Precision::Single);
    case QMetaType::Double:
        return platform::PlainNumberText(value.toDouble(), platform::Precision::Double);
    default:
        return value.toString();
    }
}

} // namespace platform::db
