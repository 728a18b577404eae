// The readers of files a user chooses (databases of this system or old ones,
// rich text) take only a plain file, through its links: a FIFO, a socket, a
// device or a folder is refused with what it is, before anything opens it.
#include "platform/db/database.h"
#include "platform/db/foreign_database.h"
#include "platform/db/jet_file.h"
#include "platform/richtext/rtf.h"
#include "platform/text/gbk.h"
#include "platform/text/system_errors.h"
#include "platform/text/whole_file.h"

#include "support/special_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextDocument>
#include <cerrno>
#include <functional>
#include <gtest/gtest.h>

// Named after the file: the unity build puts test files side by side.
namespace chosen_file_readers_test {

using platform::db::Database;
using platform::db::DbError;
using platform::db::ForeignDatabase;

// The message a reader gave, or "" when it read the file.
QString refusal(const std::function<void()>& read) {
    try {
        read();
    } catch (const DbError& e) {
        return e.text();
    } catch (const platform::FileError& e) {
        return e.text();
    }
    return {};
}

struct Reader {
    const char* name;
    std::function<void(const QString&)> read;
    // The message for `path`, given what it is.
    std::function<QString(const QString& path, const QString& reason)> message;
};

QString databaseMessage(const QString& path, const QString& reason) {
    return QStringLiteral("不能打开数据库文件: %1 (%2)").arg(path, reason);
}

const Reader kReaders[] = {
    {"Database::openReadOnly", [](const QString& p) { Database::openReadOnly(p, {}); }, databaseMessage},
    {"ForeignDatabase::open", [](const QString& p) { ForeignDatabase::open(p); }, databaseMessage},
    {"checkJetFile", [](const QString& p) { platform::db::checkJetFile(p); }, databaseMessage},
    {"loadDocument",
     [](const QString& p) {
         QTextDocument doc;
         platform::richtext::loadDocument(doc, p);
     },
     [](const QString&, const QString& reason) { return QStringLiteral("不能打开文件 来源: ") + reason; }},
};

TEST(ChosenFileReaders, RefuseAFifoSocketDeviceOrFolderWithWhatItIs) {
    const QString notPlain = platform::systemErrorReason(platform::kNotAPlainFile);
    for (const Reader& r : kReaders) {
        // The null device: a reader that wrongly took it meets its end at once.
        for (const char kind : {'p', 's', 'n', 'd'}) {
            SCOPED_TRACE(std::string(r.name) + " on " + kind);
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("来源"));
            std::unique_ptr<FifoWatchdog> watchdog;
            if (kind == 'p') {
                watchdog = std::make_unique<FifoWatchdog>(path, QByteArray(4096, 'x'));
            } else if (kind == 'd') {
                ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("来源")));
            } else if (!makeSpecialFile(path, kind)) {
                EXPECT_EQ(kind, 'n') << "only a device may be refused to us";
                continue;
            }
            const int expected = kind == 'd' ? EISDIR : platform::kNotAPlainFile;
            EXPECT_EQ(platform::plainFileState(path), expected);
            EXPECT_EQ(refusal([&] { r.read(path); }), r.message(path, platform::systemErrorReason(expected)));
            if (watchdog) {
                watchdog->stop();
                EXPECT_EQ(watchdog->released(), 0) << "the FIFO was opened";
            }
            if (kind != 'd') {
                EXPECT_TRUE(isSpecialFile(path, kind));
            }
        }
    }
    EXPECT_EQ(notPlain, QStringLiteral("这不是一个普通文件(是设备、管道等)"));
}

// A link to a plain file is that file; a link to a FIFO is the FIFO.
TEST(ChosenFileReaders, FollowLinks) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("学生成绩库.mdb"));
    Database::create(db)->createTable({QStringLiteral("名单"), {{QStringLiteral("姓名"), platform::db::FieldType::Text, 10}}});
    const QString text = dir.filePath(QStringLiteral("模板.rtf"));
    platform::writeFileWhole(text, "{\\rtf1 abc}");
    const QString fifo = dir.filePath(QStringLiteral("管道"));
    FifoWatchdog watchdog(fifo, QByteArray(4096, 'x'));
    const auto linked = [&](const QString& target, const char* name) {
        const QString link = dir.filePath(QString::fromUtf8(name));
        EXPECT_TRUE(QFile::link(target, link));
        return link;
    };
    const QString dbLink = linked(db, "链接.mdb");
    const QString textLink = linked(text, "链接.rtf");
    const QString fifoLink = linked(fifo, "链接");

    EXPECT_EQ(platform::plainFileState(dbLink), 0);
    EXPECT_EQ(platform::plainFileState(dir.filePath(QStringLiteral("没有"))), ENOENT);
    EXPECT_TRUE(Database::openReadOnly(dbLink, {})->hasTable(QStringLiteral("名单")));
    EXPECT_EQ(ForeignDatabase::open(dbLink)->tableNames(), QStringList{QStringLiteral("名单")});
    QTextDocument doc;
    platform::richtext::loadDocument(doc, textLink);
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("abc"));

    EXPECT_EQ(platform::plainFileState(fifoLink), platform::kNotAPlainFile);
    EXPECT_EQ(refusal([&] { ForeignDatabase::open(fifoLink); }),
              databaseMessage(fifoLink, platform::systemErrorReason(platform::kNotAPlainFile)));
    watchdog.stop();
    EXPECT_EQ(watchdog.released(), 0);
}

} // namespace chosen_file_readers_test
