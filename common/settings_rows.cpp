#include "common/settings_rows.h"

#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"

using platform::db::DbError;

namespace {

platform::db::Recordset& openRecordset(platform::db::DataControl& control) {
    if (auto* rs = control.recordset())
        return *rs;
    throw DbError(DbError::NoCurrentRecord, QStringLiteral("对象关闭时，不允许操作。"));
}

constexpr int kValueField = 1;   // 状态

} // namespace

SettingsRows::SettingsRows(platform::db::DataControl& settings) : rs_(&openRecordset(settings)) {}

QString SettingsRows::value(Setting row) const {
    rs_->setAbsolutePosition(int(row));
    return rs_->value(kValueField).toString();
}

void SettingsRows::store(Setting row, const QString& value) const {
    rs_->setAbsolutePosition(int(row));
    rs_->storeValue(kValueField, value);
}
