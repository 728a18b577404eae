#include "platform/db/backup.h"

#include "platform/db/database.h"
#include "platform/db/engine_reason.h"
#include "platform/text/whole_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <limits>
#include <sqlite3.h>
#include <sys/stat.h>

namespace platform::db {

namespace {

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

// The whole database as one consistent copy in memory, taken through the
// engine while this or the other program may write, and checked before it is
// written. The engine's copy into memory fails on a page it cannot read, where
// serializing the file would put zeros in its place.
struct Copy {
    sqlite3* db = nullptr;
    unsigned char* bytes = nullptr;   // the copy's own memory, while db is open
    sqlite3_int64 size = 0;
    ~Copy() { sqlite3_close_v2(db); }
};

void copyOf(Database& db, Copy& copy) {
    int rc = sqlite3_open_v2(":memory:", &copy.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY, nullptr);
    // Held as one block of memory, so that its bytes are written without copying them again.
    if (rc == SQLITE_OK)
        rc = sqlite3_deserialize(copy.db, "main", nullptr, 0, 0,
                                 SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE);
    if (rc != SQLITE_OK)
        refuseBackup(engineMessage(copy.db, rc));
    // Such memory is bounded at a gigabyte unless told otherwise; the copy takes what the database needs.
    sqlite3_int64 unbounded = std::numeric_limits<sqlite3_int64>::max();
    sqlite3_file_control(copy.db, "main", SQLITE_FCNTL_SIZE_LIMIT, &unbounded);
    sqlite3_backup* b = sqlite3_backup_init(copy.db, "main", db.handle(), "main");
    if (!b)
        refuseBackup(engineMessage(copy.db, sqlite3_errcode(copy.db)));
    rc = sqlite3_backup_step(b, -1);
    sqlite3_backup_finish(b);
    // The copy is in memory: a read of the file is what fails, and the
    // database's connection holds its system error.
    if (rc != SQLITE_DONE)
        refuseBackup(engineMessage(db.handle(), rc == SQLITE_OK ? sqlite3_errcode(copy.db) : rc));
    // The copy must read as a database of ours: its pages and its format row.
    // The engine's own full check costs several copies.
    auto number = [&copy](const char* sql) {
        sqlite3_stmt* st = nullptr;
        qint64 n = -1;
        if (sqlite3_prepare_v2(copy.db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            n = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        return n;
    };
    if (!(number("PRAGMA page_count") > 0 &&
          number("SELECT count(*) FROM msys_properties WHERE name = 'format'") == 1))
        refuseBackup(QStringLiteral("备份文件检查不通过。"));
    copy.bytes = sqlite3_serialize(copy.db, "main", &copy.size, SQLITE_SERIALIZE_NOCOPY);
    if (!copy.bytes || copy.size <= 0)
        refuseBackup(engineMessage(copy.db, SQLITE_NOMEM));
}

// A copy left by a backup of an earlier build that was killed part way (today's
// copies are written as every file is, leftovers included): that build's name
// pattern, and a database file of the engine (or still empty, killed before the first page).
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

void backupDatabase(Database& db, const QString& target) {
    const QFileInfo info(target);
    const QString where = canonicalTarget(info);
    if (where.isEmpty() || !QFileInfo(info.absolutePath()).isDir())
        refuseBackup(QStringLiteral("文件夹 %1 不存在。").arg(QDir::toNativeSeparators(info.absolutePath())));
    if (where == QFileInfo(db.path()).canonicalFilePath())
        refuseBackup(QStringLiteral("不能备份到正在使用的数据库文件本身。"));
    if (info.isDir())
        refuseBackup(QStringLiteral("%1 是一个文件夹。").arg(QDir::toNativeSeparators(target)));

    removeLeftovers(info.absolutePath());
    Copy copy;
    copyOf(db, copy);
    // Readable by whoever can read the database, not only by this account.
    WholeFile file(target);
    struct stat source {};
    if (::stat(QFile::encodeName(db.path()).constData(), &source) == 0)
        file.setPermissions(source.st_mode);
    if (!file.open() || !file.write(reinterpret_cast<const char*>(copy.bytes), copy.size) || !file.commit())
        refuseBackup(QStringLiteral("不能写入 %1: %2。").arg(QDir::toNativeSeparators(target), file.reason()));
}

} // namespace platform::db
