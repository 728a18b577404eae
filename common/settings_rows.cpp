#include "common/settings_rows.h"

#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"

namespace {

platform::db::Recordset& openRecordset(platform::db::DataControl& control) {
    if (auto* rs = control.recordset())
        return *rs;
    throw platform::db::DbError(platform::db::DbError::NoCurrentRecord, QStringLiteral("对象关闭时，不允许操作。"));
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
    try {
        rs_->storeValue(kValueField, value);
    } catch (const platform::db::DbError& e) {
        if (e.kind() != platform::db::DbError::RowChanged)
            throw;
        // The other program wrote the row since the cursor read it. The rows keep
        // their places, so the row at this place is read again and written.
        rs_->requery();
        rs_->setAbsolutePosition(int(row));
        rs_->storeValue(kValueField, value);
    }
}
