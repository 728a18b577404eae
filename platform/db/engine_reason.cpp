#include "platform/db/engine_reason.h"

#include "platform/text/system_errors.h"

#include <sqlite3.h>

namespace platform::db {

QString engineReason(sqlite3* handle, int rc) {
    const int primary = rc & 0xFF;
    // The engine keeps the errno of its last failed open or read/write only;
    // for other failures it may be an old one.
    if (handle && (primary == SQLITE_CANTOPEN || primary == SQLITE_IOERR))
        if (const int e = sqlite3_system_errno(handle))
            return systemErrorReason(e);
    switch (primary) {
    case SQLITE_FULL: return QStringLiteral("磁盘已满");
    case SQLITE_READONLY: return QStringLiteral("数据库文件是只读的,不能写入");
    case SQLITE_CANTOPEN: return QStringLiteral("数据库文件不能打开");
    case SQLITE_IOERR: return QStringLiteral("磁盘读写出错");
    case SQLITE_PERM:
    case SQLITE_AUTH: return QStringLiteral("没有访问的权限");
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return QStringLiteral("数据库正被别的程序使用");
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT: return QStringLiteral("数据库文件已损坏");
    case SQLITE_NOMEM: return QStringLiteral("内存不足");
    case SQLITE_NOLFS:
    case SQLITE_TOOBIG: return QStringLiteral("数据太大");
    case SQLITE_PROTOCOL: return QStringLiteral("数据库文件的锁定出错");
    default: break;
    }
    return QStringLiteral("数据库引擎出错(代码%1)").arg(rc);
}

} // namespace platform::db
