#pragma once
// The titles of the system's message boxes that many windows share. A title
// used by one window only stays beside that window.

#include <QString>

namespace platform {

inline const QString kPromptTitle = QStringLiteral("提示");
// Some older windows put a space before it; the title is shown as given.
inline const QString kSpacedPromptTitle = QStringLiteral(" 提示");
// A failure the user is told of (a database or file error).
inline const QString kErrorTitle = QStringLiteral("小错误...");
// A run refused or stopped: the calculation, the import of another file.
inline const QString kPlainErrorTitle = QStringLiteral("错误");
inline const QString kAttentionTitle = QStringLiteral("请注意...");
inline const QString kDoneTitle = QStringLiteral("完成");
inline const QString kFailedTitle = QStringLiteral("失败");
inline const QString kCannotPrintTitle = QStringLiteral("无法打印");

// The program's log of its own faults, in the program folder.
inline const QString kProgramLogName = QStringLiteral("程序错误记录.txt");
// A command stopped by a fault of the program, not of the data or the disk.
inline const QString kProgramFaultText = QStringLiteral("程序内部出错,这个操作没有完成。出错的详细情况已记入程序文件夹中的“") +
                                         kProgramLogName + QStringLiteral("”。");

} // namespace platform
