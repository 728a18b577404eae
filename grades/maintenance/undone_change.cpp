#include "grades/maintenance/undone_change.h"

#include "platform/db/db_error.h"
#include "platform/text/message_titles.h"
#include "platform/ui/dialogs.h"

namespace maintenance {

void reportUndone(const platform::db::DbError& e) {
    platform::dialogs().message(QStringLiteral("操作没有完成，数据没有改变。\n%1").arg(e.text()),
                                platform::MsgButtons::Ok, platform::kErrorTitle);
}

} // namespace maintenance
