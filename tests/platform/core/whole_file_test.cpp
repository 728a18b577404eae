// Files written whole or not at all: with the disk full part way, every
// writer of the platform leaves the old file's bytes and says why.
#include "platform/db/backup.h"
#include "platform/richtext/rtf.h"
#include "platform/text/gbk.h"
#include "platform/text/profile.h"
#include "platform/text/whole_file.h"

#include "support/db_fixture.h"
#include "support/failing_file.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextDocument>
#include <functional>
#include <sys/stat.h>

using namespace platform;

namespace {

const QByteArray kOld = "old bytes";   // shorter than the limit: the new content is not
constexpr qint64 kLimit = 16;

struct Writer {
    const char* name;
    // Writes a new content much longer than the limit; the failure it reports
    // (empty: it reported none).
    std::function<QString(const QString& path)> write;
};

QString thrown(const std::function<void()>& write) { return testsupport::fileErrorOf(write); }

const QByteArray kNew = QByteArray(4000, 'n');

const Writer kWriters[] = {
    {"writeFileWhole", [](const QString& p) { return thrown([&] { writeFileWhole(p, kNew); }); }},
    {"writeGbkFile", [](const QString& p) { return thrown([&] { writeGbkFile(p, QString(2000, u'新')); }); }},
    {"appendGbkFile", [](const QString& p) { return thrown([&] { appendGbkFile(p, QString(2000, u'加')); }); }},
    {"appendFileWhole", [](const QString& p) { return thrown([&] { appendFileWhole(p, kNew); }); }},
    {"saveDocument rich text",
     [](const QString& p) {
         QTextDocument doc(QString(2000, u'考'));
         return thrown([&] { richtext::saveDocument(doc, p); });
     }},
    {"saveDocument plain text",
     [](const QString& p) {
         QTextDocument doc(QString(2000, u'考'));
         return thrown([&] { richtext::saveDocument(doc, p, richtext::FileFormat::PlainText); });
     }},
    {"writeProfileString",
     [](const QString& p) {
         return writeProfileString(p, QStringLiteral("JiGuan"), QStringLiteral("Total"), QString(2000, u'9'))
                    ? QString()
                    : QStringLiteral("refused");
     }},
};

} // namespace

TEST(WholeFile, AFullDiskLeavesTheOldFileAndSaysWhy) {
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(w.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("旧文件.txt"));
        testsupport::writeFileBytes(path, kOld);
        QString failure;
        {
            const FileSizeLimit full(kLimit);
            failure = w.write(path);
        }
        EXPECT_EQ(testsupport::readFileBytes(path), kOld);
        EXPECT_FALSE(failure.isEmpty());
        if (failure != QStringLiteral("refused")) {   // a profile write only says it failed
            EXPECT_TRUE(failure.endsWith(QStringLiteral(": 文件太大"))) << failure.toStdString();
        }
        // Nothing left beside it.
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("旧文件.txt")});

        // With room, the same writer succeeds.
        EXPECT_EQ(w.write(path), QString());
        EXPECT_NE(testsupport::readFileBytes(path), kOld);
    }
}

TEST(WholeFile, AFileNotThereBeforeIsNotLeftHalfWritten) {
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(w.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("新文件.txt"));
        {
            const FileSizeLimit full(kLimit);
            EXPECT_FALSE(w.write(path).isEmpty());
        }
        EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
}

TEST(WholeFile, ReplacesThroughALinkKeepingModeAndRefusesAFolder) {
    QTemporaryDir dir;
    const QString real = dir.filePath(QStringLiteral("real.txt"));
    const QString link = dir.filePath(QStringLiteral("link.txt"));
    testsupport::writeFileBytes(real, kOld);
    ASSERT_EQ(::chmod(QFile::encodeName(real).constData(), 0640), 0);
    ASSERT_TRUE(QFile::link(real, link));
    writeFileWhole(link, "new");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(testsupport::readFileBytes(real), "new");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(real).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // A name as long as the system takes (80 characters of 3 bytes).
    const QString longest = dir.filePath(QString(80, u'长') + QStringLiteral(".txt"));
    writeFileWhole(longest, "new");
    EXPECT_EQ(testsupport::readFileBytes(longest), "new");

    EXPECT_EQ(thrown([&] { writeFileWhole(dir.path(), "x"); }),
              QStringLiteral("不能写入文件 ") + dir.path() + QStringLiteral(": 这是一个文件夹,不是文件"));
    EXPECT_EQ(thrown([&] { writeFileWhole(dir.filePath(QStringLiteral("无/a.txt")), "x"); }),
              QStringLiteral("不能写入文件 ") + dir.filePath(QStringLiteral("无/a.txt")) +
                  QStringLiteral(": 文件或文件夹不存在"));
}

// The backup copy goes through the engine, which checks every write itself.
class FullDiskBackup : public testsupport::DbFixture {};

TEST_F(FullDiskBackup, KeepsTheOldCopy) {
    addStudents({{"20040001", "2004", "01", QStringLiteral("张三"), "01", 300.5}});
    const QString copy = dir_.filePath(QStringLiteral("备份.mdb"));
    testsupport::writeFileBytes(copy, kOld);
    {
        const FileSizeLimit full(kLimit);
        EXPECT_THROW(db::backupDatabase(*db_, copy), db::DbError);
    }
    EXPECT_EQ(testsupport::readFileBytes(copy), kOld);
}
