#pragma once
// Why a file or folder operation failed, in Chinese. The system's own texts
// (strerror, QFile::errorString(), std::system_error) are English or half
// translated; every message that gives a reason takes it from here.

#include <QString>
#include <system_error>

class QIODevice;

namespace platform {

// Not an errno: a FIFO, a device or a socket where a plain file was expected
// (a folder gives EISDIR). Such a name is neither replaced nor waited on.
inline constexpr int kNotAPlainFile = -1;

// The reason for an errno value ("没有访问的权限" for EACCES ...), or for
// kNotAPlainFile.
QString systemErrorReason(int errnoValue);
// The reason when the folder, not the file, refused: a new file could not be
// made in it ("文件夹 <folder> 不能写入: 没有访问的权限").
QString folderErrorReason(const QString& folder, int errnoValue);
// The reason a file operation failed, from the file's own error: the errno
// behind its error text when there is one, else the kind of its error (for
// a QFileDevice) or the general reason.
QString fileErrorReason(const QIODevice& file);
// The same for an error text the system gave (an strerror or Qt text); a
// text it does not know gives the general reason of a failed file operation.
QString systemTextReason(const QString& systemText);
QString systemErrorReason(const std::error_code& code);

} // namespace platform
