#include "platform/ui/export_excel.h"

#include "platform/ui/dialogs.h"

int16_t ExportExcel(const QString&, const QString&, int16_t) {
    platform::dialogs().message(
        QStringLiteral("由于这一模块的速度实在太慢而且存在兼容性差的毛病,因此它已被打印中的导出功能所代替."),
        platform::MsgButtons::Ok);
    return 1;
}
