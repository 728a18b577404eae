#include "platform/db/database.h"
#include "platform/text/gbk.h"
#include "platform/text/system_errors.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>
#include "support/test_files.h"

using namespace platform;

namespace {
using testsupport::str;

bool isChinese(const QString& s) {
    for (QChar c : s)
        if (c.isLetter() && c.unicode() < 0x80)
            return false;   // no English word in the reason
    return !s.isEmpty();
}
} // namespace

TEST(SystemErrors, EveryReasonAFileOperationMeetsIsSaidInChinese) {
    const std::pair<int, const char*> cases[] = {
        {EPERM, "系统不允许这样操作"},
        {EACCES, "没有访问的权限"},
        {ENOENT, "文件或文件夹不存在"},
        {ENOSPC, "磁盘已满"},
        {EDQUOT, "超出了磁盘配额"},
        {EROFS, "磁盘是只读的,不能写入"},
        {ENAMETOOLONG, "文件名或路径太长"},
        {EBUSY, "文件或设备正在使用中"},
        {ETXTBSY, "文件正在使用中"},
        {EISDIR, "这是一个文件夹,不是文件"},
        {ENOTDIR, "路径中有一项不是文件夹"},
        {EEXIST, "文件已经存在"},
        {EIO, "磁盘读写出错"},
        {EMFILE, "打开的文件太多"},
        {EXDEV, "不能在两个磁盘之间移动文件"},
        {EFBIG, "文件太大"},
    };
    for (const auto& [e, reason] : cases) {
        EXPECT_EQ(str(systemErrorReason(e)), reason) << e;
        // Found again from the system's own text, as a file reports it.
        EXPECT_EQ(str(systemTextReason(qt_error_string(e))), reason) << str(qt_error_string(e));
        EXPECT_EQ(str(systemErrorReason(std::error_code(e, std::generic_category()))), reason);
    }
    // Every errno the system knows has a Chinese reason, if only its number.
    for (int e = 1; e < 134; ++e)
        EXPECT_TRUE(isChinese(systemErrorReason(e))) << e << " " << str(systemErrorReason(e));
    EXPECT_EQ(str(systemErrorReason(9999)), "系统错误(代码9999)");
    // Not an errno: a FIFO or device where a file was expected; and a folder
    // that takes no new file is named.
    EXPECT_EQ(str(systemErrorReason(kNotAPlainFile)), "这不是一个普通文件(是设备、管道等)");
    EXPECT_EQ(str(folderErrorReason(QStringLiteral("/学校/共享"), EACCES)), "文件夹 /学校/共享 不能写入: 没有访问的权限");
    EXPECT_EQ(str(systemTextReason(QStringLiteral("Something else"))), "文件操作没有成功");
}

TEST(SystemErrors, RealFailuresOfFilesGiveTheirReason) {
    QTemporaryDir tmp;
    const QString folder = tmp.filePath(QStringLiteral("文件夹"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString plain = tmp.filePath(QStringLiteral("普通.txt"));
    writeGbkFile(plain, QStringLiteral("x"));

    struct Case {
        QString path;
        QIODevice::OpenMode mode;
        const char* reason;
    };
    const Case cases[] = {
        {tmp.filePath(QStringLiteral("没有/a.txt")), QIODevice::WriteOnly, "文件或文件夹不存在"},
        {tmp.filePath(QStringLiteral("没有.txt")), QIODevice::ReadOnly, "文件或文件夹不存在"},
        {folder, QIODevice::WriteOnly, "这是一个文件夹,不是文件"},
        {plain + QStringLiteral("/a.txt"), QIODevice::WriteOnly, "路径中有一项不是文件夹"},
        {tmp.filePath(QString(300, u'a')), QIODevice::WriteOnly, "文件名或路径太长"},
    };
    for (const Case& c : cases) {
        QFile f(c.path);
        ASSERT_FALSE(f.open(c.mode)) << str(c.path);
        EXPECT_EQ(str(fileErrorReason(f)), c.reason) << str(f.errorString());
    }
    // A file written whole says it in Qt's words around the system's.
    const std::pair<QString, const char*> whole[] = {
        {tmp.filePath(QStringLiteral("没有/a.rtf")), "文件或文件夹不存在"},
        {folder, "这是一个文件夹,不是文件"},
        {plain + QStringLiteral("/a.rtf"), "路径中有一项不是文件夹"},
    };
    for (const auto& [path, reason] : whole) {
        QSaveFile f(path);
        ASSERT_FALSE(f.open(QIODevice::WriteOnly)) << str(path);
        EXPECT_EQ(str(fileErrorReason(f)), reason) << str(f.errorString());
    }

    // The file functions say it in their messages.
    try {
        writeGbkFile(folder, QStringLiteral("x"));
        ADD_FAILURE() << "written";
    } catch (const FileError& e) {
        EXPECT_TRUE(e.text().endsWith(QStringLiteral(": 这是一个文件夹,不是文件"))) << str(e.text());
    }
    try {
        writeFileWhole(tmp.filePath(QStringLiteral("没有/a.txt")), "x");
        ADD_FAILURE() << "written";
    } catch (const FileError& e) {
        EXPECT_TRUE(e.text().endsWith(QStringLiteral(": 文件或文件夹不存在"))) << str(e.text());
    }
}

TEST(GbkRefusal, NamesTheCharacterItsCodeAndItsLineInAFewWords) {
    // A long text, as a whole grade list: the message stays short.
    QString text;
    for (int i = 1; i <= 500; ++i)
        text += QStringLiteral("%1  2004%2  张三  90  80\r\n").arg(i).arg(i, 4, 10, QLatin1Char('0'));
    text += QStringLiteral("501  20040501  𠀀一  90  80\r\n");
    for (int i = 502; i <= 900; ++i)
        text += QStringLiteral("%1  2004%2  李四  70\r\n").arg(i).arg(i, 4, 10, QLatin1Char('0'));
    try {
        toGbk(text);
        ADD_FAILURE() << "encoded";
    } catch (const GbkError& e) {
        const QString m = e.text();
        EXPECT_EQ(str(m), "第501行“501 20040501 𠀀一 90 80”中有GBK编码不能表示的字符“𠀀”(U+20000),不能保存.");
        ASSERT_TRUE(e.nonGbk().has_value());
        EXPECT_EQ(e.nonGbk()->code, char32_t(0x20000));
        EXPECT_EQ(e.nonGbk()->line, 501);
    }

    struct Case {
        QString text;
        const char* message;
    };
    const Case cases[] = {
        {QStringLiteral("𠀀一"), "文字“𠀀一”中有GBK编码不能表示的字符“𠀀”(U+20000),不能保存."},
        {QStringLiteral("一行\n한글"), "第2行“한글”中有GBK编码不能表示的字符“한”(U+D55C),不能保存."},
        // A long line shows the stretch around the character.
        {QString(40, u'甲') + QStringLiteral("😀") + QString(40, u'乙'),
         "文字“…甲甲甲甲甲甲甲甲甲甲甲甲😀乙乙乙乙乙乙乙乙乙乙乙…”中有GBK编码不能表示的字符“😀”(U+1F600),不能保存."},
    };
    for (const Case& c : cases) {
        try {
            toGbk(c.text);
            ADD_FAILURE() << c.message;
        } catch (const GbkError& e) {
            EXPECT_EQ(str(e.text()), c.message);
        }
    }
    // Half a surrogate pair cannot be shown, nor a password's character: the code names it.
    for (const QString& hidden : {QString(QChar(0xD800)), QString()}) {
        const NonGbkCharacter c{hidden, 0xD800, 1, {}};
        EXPECT_EQ(str(nonGbkMessage(c, QStringLiteral("密码"))), "密码中有GBK编码不能表示的字符(U+D800),不能保存.");
    }
    EXPECT_FALSE(firstNonGbkCharacter(QStringLiteral("全部可以\r\n€")).has_value());
}

TEST(SystemErrors, TheDatabaseFileSaysWhyItCannotBeMade) {
    QTemporaryDir tmp;
    ASSERT_TRUE(QDir(tmp.path()).mkdir(QStringLiteral("文件夹")));
    const std::pair<QString, const char*> cases[] = {
        {tmp.filePath(QStringLiteral("没有/a.mdb")), "(文件或文件夹不存在)"},
        {tmp.filePath(QString(300, u'a')), "(文件名或路径太长)"},
    };
    for (const auto& [path, reason] : cases) {
        try {
            platform::db::Database::create(path);
            ADD_FAILURE() << str(path);
        } catch (const platform::db::DbError& e) {
            EXPECT_TRUE(e.text().endsWith(QString::fromUtf8(reason))) << str(e.text());
        }
    }
}
