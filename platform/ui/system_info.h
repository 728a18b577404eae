#pragma once
// What the about windows of both programs share: the version text and the
// way to the system-information program.

#include <QString>
#include <optional>

namespace platform {

// "版本 " and the program's version as major.minor.revision.
QString versionText();

// A string value of the system registry. There is no registry on this
// platform, so nothing is ever found.
std::optional<QString> GetKeyValue(const QString& rootKey, const QString& keyName, const QString& valueName);

// Starts the system-information program, or says "此时系统信息不可用" with the
// program's title when there is none.
void StartSysInfo();

} // namespace platform
