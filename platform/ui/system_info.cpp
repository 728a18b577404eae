#include "platform/ui/system_info.h"

#include "platform/ui/application.h"
#include "platform/ui/dialogs.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QVersionNumber>

namespace platform {

QString versionText() {
    // A program that names no version of its own is version 1.0.0.
    const QVersionNumber v = QVersionNumber::fromString(QCoreApplication::applicationVersion());
    const bool none = v.isNull();
    return QStringLiteral("版本 %1.%2.%3")
        .arg(none ? 1 : v.majorVersion())
        .arg(none ? 0 : v.minorVersion())
        .arg(none ? 0 : v.microVersion());
}

std::optional<QString> GetKeyValue(const QString&, const QString&, const QString&) { return std::nullopt; }

void StartSysInfo() {
    const QString root = QStringLiteral("HKEY_LOCAL_MACHINE");
    std::optional<QString> program =
        GetKeyValue(root, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"), QStringLiteral("PATH"));
    if (!program) {
        const auto folder = GetKeyValue(root, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                                        QStringLiteral("MSINFO"));
        if (folder && QFileInfo(*folder + QStringLiteral("/MSINFO32.EXE")).isFile())
            program = *folder + QStringLiteral("/MSINFO32.EXE");
    }
    if (!program || !startDetachedAsStarted(*program, {}))
        dialogs().message(QStringLiteral("此时系统信息不可用"), MsgButtons::Ok);
}

} // namespace platform
