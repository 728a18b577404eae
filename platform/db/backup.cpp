#include "platform/db/backup.h"

#include "platform/db/database.h"
#include "platform/db/engine_reason.h"
#include "platform/text/system_errors.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <sqlite3.h>

namespace platform::db {

namespace {

QString fileLayer;

// Where the target would be on disk: through links, and through a link to
// its folder when the file does not exist yet.
QString canonicalTarget(const QFileInfo& target) {
    if (target.exists())
        return target.canonicalFilePath();
    const QString folder = target.absoluteDir().canonicalPath();
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + target.fileName();
}

[[noreturn]] void refuseBackup(const QString& why) {
    throw DbError(DbError::Io, QStringLiteral("备份没有完成: %1").arg(why));
}

QString engineMessage(sqlite3* h, int rc) {
    return engineReason(h, rc) + QStringLiteral("。");
}

// Copies the open database into the file at `path` and checks the copy.
void copyInto(Database& db, const QString& path) {
    sqlite3* dest = nullptr;
    const QByteArray layer = fileLayer.toUtf8();
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &dest, SQLITE_OPEN_READWRITE,
                             fileLayer.isEmpty() ? nullptr : layer.constData());
    if (rc != SQLITE_OK) {
        const QString why = engineMessage(dest, rc);
        sqlite3_close_v2(dest);
        refuseBackup(why);
    }
    sqlite3_backup* b = sqlite3_backup_init(dest, "main", db.handle(), "main");
    if (!b) {
        const QString why = engineMessage(dest, sqlite3_errcode(dest));
        sqlite3_close_v2(dest);
        refuseBackup(why);
    }
    rc = sqlite3_backup_step(b, -1);
    sqlite3_backup_finish(b);
    if (rc != SQLITE_DONE) {
        const QString why = engineMessage(dest, rc == SQLITE_OK ? sqlite3_errcode(dest) : rc);
        sqlite3_close_v2(dest);
        refuseBackup(why);
    }
    // The copy must read back as a database of ours: its pages and its format
    // row. The engine's own full check costs several copies, and a write that
    // fails part way already fails the step above.
    auto number = [](sqlite3* h, const char* sql) {
        sqlite3_stmt* st = nullptr;
        qint64 n = -1;
        if (sqlite3_prepare_v2(h, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            n = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        return n;
    };
    const char* pages = "PRAGMA page_count";
    const char* format = "SELECT count(*) FROM msys_properties WHERE name = 'format'";
    const bool sound = number(dest, pages) > 0 && number(dest, format) == 1;
    rc = sqlite3_close_v2(dest);
    if (!sound)
        refuseBackup(QStringLiteral("备份文件检查不通过。"));
    if (rc != SQLITE_OK)
        refuseBackup(engineMessage(nullptr, rc));
}

const QString kTempPattern = QStringLiteral("/.backup-XXXXXX");

// A copy left by a backup that was killed part way: our name pattern, and a
// database file of the engine (or still empty, killed before the first page).
// Files the other program may be writing right now are younger than this.
constexpr qint64 kLeftoverAgeSeconds = 600;

bool isOurLeftover(const QFileInfo& f) {
    static const QRegularExpression name(QStringLiteral("^\\.backup-[A-Za-z0-9]{6}(-journal)?$"));
    if (!f.isFile() || f.isSymLink() || !name.match(f.fileName()).hasMatch())
        return false;
    if (f.lastModified().secsTo(QDateTime::currentDateTime()) < kLeftoverAgeSeconds)
        return false;
    if (f.fileName().endsWith(QStringLiteral("-journal")))
        return !QFileInfo::exists(f.filePath().chopped(8));  // goes with its copy
    QFile file(f.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(16);
    return head.isEmpty() || head == QByteArray("SQLite format 3", 16);
}

// Best effort: a leftover that cannot be removed is no reason to refuse the backup.
void removeLeftovers(const QString& folder) {
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral(".backup-*")},
                                                           QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& f : files)  // copies sort before their journals
        if (isOurLeftover(f))
            QFile::remove(f.filePath());
}

} // namespace

void setBackupFileLayerForTests(const QString& name) { fileLayer = name; }

void backupDatabase(Database& db, const QString& target) {
    const QFileInfo info(target);
    const QString where = canonicalTarget(info);
    if (where.isEmpty() || !QFileInfo(info.absolutePath()).isDir())
        refuseBackup(QStringLiteral("文件夹 %1 不存在。").arg(QDir::toNativeSeparators(info.absolutePath())));
    if (where == QFileInfo(db.path()).canonicalFilePath())
        refuseBackup(QStringLiteral("不能备份到正在使用的数据库文件本身。"));
    if (info.isDir())
        refuseBackup(QStringLiteral("%1 是一个文件夹。").arg(QDir::toNativeSeparators(target)));

    // The copy is made under a name of its own in the target's folder, so
    // that the rename below replaces the target in one step.
    removeLeftovers(info.absolutePath());
    QTemporaryFile temp(info.absolutePath() + kTempPattern);
    temp.setAutoRemove(true);
    if (!temp.open())
        refuseBackup(QStringLiteral("文件夹 %1 不能写入: %2。")
                   .arg(QDir::toNativeSeparators(info.absolutePath()), fileErrorReason(temp)));
    temp.close();
    const QString tempPath = temp.fileName();
    try {
        copyInto(db, tempPath);
    } catch (...) {
        QFile::remove(tempPath + QStringLiteral("-journal"));
        throw;
    }
    // Readable by whoever can read the database, not only by this account. A
    // folder that keeps no permissions (a FAT stick) still gets its copy.
    const QFileInfo source(db.path());
    if (source.exists())
        QFile::setPermissions(tempPath, source.permissions());
    if (std::rename(QFile::encodeName(tempPath).constData(), QFile::encodeName(where).constData()) != 0) {
        const int why = errno;
        refuseBackup(QStringLiteral("不能写入 %1: %2。").arg(QDir::toNativeSeparators(target), systemErrorReason(why)));
    }
    temp.setAutoRemove(false);
}

} // namespace platform::db
