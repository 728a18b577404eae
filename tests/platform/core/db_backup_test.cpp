// The backup copy of an open database: whole and sound, or nothing.
#include "platform/db/backup.h"

#include "support/db_fixture.h"
#include "support/failing_file.h"
#include "support/failing_vfs.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <sqlite3.h>

using platform::db::Database;
using platform::db::DbError;

namespace {

class Backup : public testsupport::DbFixture {
protected:
    void SetUp() override {
        DbFixture::SetUp();
        db_->setPassword(QString(), QStringLiteral("ab;c"));
        addStudents({{"20040001", "2004", "01", QStringLiteral("张三"), "01", 300.5},
                     {"20040002", "2004", "01", QStringLiteral("李四"), "02", QVariant()}});
    }
    QString target(const QString& name) const { return dir_.filePath(name); }
    // The files of the folder but the database itself.
    QStringList others() const {
        QStringList files = QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden);
        files.removeAll(QStringLiteral("学生成绩库.mdb"));
        return files;
    }
    QString failureOf(const QString& path) {
        try {
            platform::db::backupDatabase(*db_, path);
        } catch (const DbError& e) {
            return e.text();
        }
        return {};
    }
};

TEST_F(Backup, TheCopyOpensWithThePasswordAndHoldsEveryRow) {
    const QString copy = target(QStringLiteral("学生成绩库05-3-7"));   // no extension: used as typed
    platform::db::backupDatabase(*db_, copy);
    EXPECT_EQ(others(), QStringList{QStringLiteral("学生成绩库05-3-7")});
    EXPECT_THROW(Database::open(copy, QString()), DbError);
    auto opened = Database::open(copy, QStringLiteral("ab;c"));
    EXPECT_EQ(opened->tableNames(), db_->tableNames());
    EXPECT_EQ(opened->scalar(QStringLiteral("SELECT 姓名 FROM 成绩表 WHERE STID = '20040002'")).toString(),
              QStringLiteral("李四"));
}

TEST_F(Backup, ARefusedTargetLeavesNoFileBehind) {
    // An existing file of the chosen name stays as it was whatever fails.
    QFile old(target(QStringLiteral("old.mdb")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("earlier copy");
    old.close();
    ASSERT_TRUE(QFile::link(path(), target(QStringLiteral("link.mdb"))));

    struct Case { QString path; const char* says; };
    const Case cases[] = {
        {path(), "正在使用的数据库文件本身"},
        {target(QStringLiteral("link.mdb")), "正在使用的数据库文件本身"},
        {dir_.filePath(QStringLiteral("../") + QDir(dir_.path()).dirName() + QStringLiteral("/学生成绩库.mdb")),
         "正在使用的数据库文件本身"},
        {target(QStringLiteral("no-such-folder/copy.mdb")), "不存在"},
        {target(QStringLiteral("old.mdb/copy.mdb")), "不存在"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_TRUE(failureOf(c.path).contains(QString::fromUtf8(c.says)));
    }
    EXPECT_EQ(db_->scalar(QStringLiteral("SELECT COUNT(*) FROM 成绩表")).toInt(), 2);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("earlier copy"));
    old.close();
    EXPECT_EQ(others(), (QStringList{QStringLiteral("link.mdb"), QStringLiteral("old.mdb")}));
}

TEST_F(Backup, AWriteFailingPartWayKeepsTheOldFile) {
    QFile old(target(QStringLiteral("old.mdb")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("earlier copy");
    old.close();
    QString why;
    {
        const FileSizeLimit full(4096);   // the copy is several pages
        why = failureOf(old.fileName());
    }
    EXPECT_TRUE(why.contains(QStringLiteral("文件太大"))) << why.toStdString();
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("earlier copy"));
    EXPECT_EQ(others(), QStringList{QStringLiteral("old.mdb")});
}

// A page of the database that cannot be read ends the backup with the reason;
// it is not copied as a page of zeros into a copy that reads as sound.
TEST_F(Backup, APageThatCannotBeReadFailsTheBackup) {
    const qint64 pageSize = db_->scalar(QStringLiteral("PRAGMA page_size")).toLongLong();
    const qint64 scores =
        db_->scalar(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = '成绩表'")).toLongLong();
    ASSERT_GT(scores, 1);
    db_.reset();
    testsupport::FailingVfs disk;
    db_ = Database::open(path(), QStringLiteral("ab;c"));
    sqlite3_db_release_memory(db_->handle());   // its pages read from the file again
    disk.failReadAt((scores - 1) * pageSize + 100);
    const QString why = failureOf(target(QStringLiteral("copy.mdb")));
    disk.failReadAt(-1);
    EXPECT_EQ(why, QStringLiteral("备份没有完成: 磁盘读写出错。"));
    EXPECT_EQ(others(), QStringList{});
    db_.reset();
}

// A copy gets the database's own permissions, so that the other accounts of a
// shared folder can read it as they read the database.
TEST_F(Backup, TheCopyHasThePermissionsOfTheDatabase) {
    using P = QFileDevice::Permission;
    const QFileDevice::Permissions rw = P::ReadOwner | P::WriteOwner | P::ReadUser | P::WriteUser;
    const QFileDevice::Permissions modes[] = {rw | P::ReadGroup,                                  // 0640
                                              rw | P::ReadGroup | P::WriteGroup | P::ReadOther};  // 0664
    for (const auto mode : modes) {
        ASSERT_TRUE(QFile::setPermissions(path(), mode));
        const QString copy = target(QStringLiteral("copy.mdb"));
        platform::db::backupDatabase(*db_, copy);
        EXPECT_EQ(QFileInfo(copy).permissions(), mode) << Qt::hex << int(mode);
    }
}

// A backup killed part way leaves its copy under our temporary name; the next
// backup into that folder clears it, and nothing else: not a file of that shape
// written by someone else, nor the copy of a backup running right now.
TEST_F(Backup, TheNextBackupClearsOnlyOurOldLeftovers) {
    const QByteArray header("SQLite format 3", 16);
    const auto put = [this](const QString& name, const QByteArray& bytes, bool old) {
        QFile f(target(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.flush();   // a write at close would make the file new again
        if (old) {
            ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime));
        }
    };
    put(QStringLiteral(".backup-Ab12cd"), header + QByteArray(4080, '\0'), true);
    put(QStringLiteral(".backup-Ab12cd-journal"), QByteArray(512, '\x01'), true);
    put(QStringLiteral(".backup-Zz9999"), QByteArray(), true);             // killed before its first page
    put(QStringLiteral(".backup-Xy1234"), header, false);                  // another backup at work
    put(QStringLiteral(".backup-Qq1111"), QByteArray("my notes"), true);   // not a copy of ours
    put(QStringLiteral(".backup-notes.txt"), header, true);                // not our name
    put(QStringLiteral(".backup-Qq2222-journal"), QByteArray(512, '\x01'), false);

    platform::db::backupDatabase(*db_, target(QStringLiteral("copy.mdb")));
    QStringList left = others();
    left.sort();
    EXPECT_EQ(left, QStringList({QStringLiteral(".backup-Qq1111"), QStringLiteral(".backup-Qq2222-journal"),
                                 QStringLiteral(".backup-Xy1234"), QStringLiteral(".backup-notes.txt"),
                                 QStringLiteral("copy.mdb")}));
}

} // namespace
