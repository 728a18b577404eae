#include "platform/db/foreign_database.h"

namespace platform::db {

std::unique_ptr<ForeignDatabase> openJetFile(const QString& path) {
    throw DbError(DbError::NotADatabase, QStringLiteral("不能读取这种数据库文件: %1").arg(path));
}

} // namespace platform::db
