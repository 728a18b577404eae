#include "platform/text/gbk.h"
#include "platform/text/message_text.h"
#include "platform/text/values.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <iconv.h>
#include <limits>

using namespace platform;

namespace {
QByteArray rawBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

TEST(Gbk, TextsRoundTripAndEncodeAsCodePage936) {
    const QString text = QStringLiteral("高一级01班 张三丰\t语文=98.5\r\n€？《》");
    EXPECT_EQ(fromGbk(toGbk(text)), text);
    EXPECT_EQ(toGbk(QStringLiteral("中A")), QByteArray("\xD6\xD0" "A"));
    EXPECT_EQ(fromGbk(QByteArray("\xB3\xC9\xBC\xA8")), QStringLiteral("成绩"));
    EXPECT_EQ(toGbk(QString()), QByteArray());
}

TEST(Gbk, BadBytesAndUnholdableCharactersAreErrorsNotQuestionMarks) {
    EXPECT_THROW(fromGbk(QByteArray("\xD6")), GbkError);             // cut double-byte character
    EXPECT_THROW(fromGbk(QByteArray("A\xFF\xFF" "B")), GbkError);    // no such code
    EXPECT_THROW(fromGbk(QByteArray("\xD6\x20")), GbkError);         // lead byte, bad trail
    EXPECT_THROW(toGbk(QStringLiteral("成绩😀")), GbkError);
    EXPECT_THROW(toGbk(QStringLiteral("한글")), GbkError);
    EXPECT_FALSE(canEncodeGbk(QStringLiteral("😀")));
    EXPECT_TRUE(canEncodeGbk(QStringLiteral("考号")));
}

// The logs' form: each character GBK cannot hold is one "?", a surrogate pair
// and the mark of a byte that was not UTF-8 too; the rest as toGbk gives it.
TEST(Gbk, TheLogsFormReplacesEachCharacterGbkCannotHold) {
    const struct { QString text; QByteArray logged; } cases[] = {
        {QStringLiteral("plain"), "plain"},
        {QStringLiteral("中A"), "\xD6\xD0" "A"},
        {QStringLiteral("学生\U00020000一"), "\xD1\xA7\xC9\xFA" "?" "\xD2\xBB"},
        {QString::fromUtf8("bad \xff byte"), "bad ? byte"},
        {QStringLiteral("😀😀"), "??"},
        {QString(), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(toGbkReplacing(c.text), c.logged) << c.text.toStdString();
}

// Every character of the first plane, converted alone by the system's
// converter, against the encoder's answer for it alone and inside one long text.
TEST(Gbk, EveryCharacterEncodesAsTheSystemConverterEncodesIt) {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    QString held;
    QByteArray expected;
    int refused = 0;
    for (uint u = 1; u < 0x10000; ++u) {
        if (u >= 0xD800 && u <= 0xDFFF)
            continue;
        const QString c{QChar(char16_t(u))};
        QByteArray in = c.toUtf8();
        char out[8];
        char* src = in.data();
        char* dst = out;
        size_t srcLeft = size_t(in.size()), dstLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == size_t(-1)) {
            ++refused;
            EXPECT_THROW(toGbk(c), GbkError) << u;
            continue;
        }
        const QByteArray bytes(out, dst - out);
        ASSERT_EQ(toGbk(c), bytes) << u;
        held += c;
        expected += bytes;
    }
    iconv_close(cd);
    EXPECT_GT(refused, 0);
    EXPECT_EQ(toGbk(held), expected);
    EXPECT_THROW(toGbk(held + QChar(char16_t(0xD800))), GbkError);   // a lone half of a pair
}

TEST(Gbk, FilesUnderChinesePathsRoundTripWithoutMarkAndWithTheirLineEnds) {
    QTemporaryDir tmp;
    ASSERT_TRUE(QDir(tmp.path()).mkpath(QStringLiteral("学校数据")));
    const QString path = tmp.filePath(QStringLiteral("学校数据/系统 设置.txt"));
    const QString text = QStringLiteral("D:\\成绩\\高中.mdb\r\n第二行\n");
    writeGbkFile(path, text);
    EXPECT_EQ(rawBytes(path), toGbk(text));   // no mark, \r\n and \n kept as written
    EXPECT_EQ(readGbkFile(path), text);
    appendGbkFile(path, QStringLiteral("追加"));
    EXPECT_EQ(readGbkFile(path), text + QStringLiteral("追加"));
    writeGbkFile(path, QStringLiteral("短"));   // rewriting truncates
    EXPECT_EQ(readGbkFile(path), QStringLiteral("短"));
}

TEST(Gbk, FileErrorsReachTheCallerAndARefusedTextLeavesTheFileAlone) {
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("scro.dat"));
    writeGbkFile(path, QStringLiteral("原样"));
    EXPECT_THROW(writeGbkFile(path, QStringLiteral("坏😀")), GbkError);
    EXPECT_EQ(readGbkFile(path), QStringLiteral("原样"));
    EXPECT_THROW(readGbkFile(tmp.filePath(QStringLiteral("没有.txt"))), FileError);
    EXPECT_THROW(writeGbkFile(tmp.filePath(QStringLiteral("无此目录/a.txt")), QStringLiteral("x")), FileError);

    QFile bad(tmp.filePath(QStringLiteral("bad.txt")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("\xEF\xBB\xBF\xD6\xD0\x80\xFF");
    bad.close();
    EXPECT_THROW(readGbkFile(bad.fileName()), GbkError);
}

TEST(Gbk, CharacterCodesAreSigned16BitAndRoundTrip) {
    struct Case { const char* ch; int code; };
    const Case cases[] = {{"中", -10544}, {" ", 32}, {"A", 65}, {"0", 48}, {"啊", -20319}, {"齄", -2050}};
    for (const auto& c : cases) {
        const QString ch = QString::fromUtf8(c.ch);
        EXPECT_EQ(gbkCharCode(ch), c.code) << c.ch;
        EXPECT_EQ(characterFromGbkCode(c.code), ch) << c.code;
    }
    EXPECT_FALSE(gbkCharCode(QStringLiteral("😀")).has_value());
    EXPECT_FALSE(gbkCharCode(QStringLiteral("中文")).has_value());   // one character only
    EXPECT_FALSE(characterFromGbkCode(-1).has_value());             // 0xFFFF names nothing
    EXPECT_FALSE(characterFromGbkCode(70000).has_value());
}

TEST(Gbk, DisplayWidthCountsDoubleByteCharactersTwice) {
    EXPECT_EQ(displayWidth(QStringLiteral("A张三 1")), 7);
    EXPECT_EQ(displayWidth(QStringLiteral("😀")), 1);   // shown as "?"
    EXPECT_EQ(characters(QStringLiteral("a😀b")).size(), 3);
}

TEST(Values, LeadingNumberAndHalfEvenRounding) {
    struct Case { const char* text; double number; int64_t whole; };
    const Case cases[] = {
        {"12abc", 12, 12},   {" 3.5", 3.5, 4},  {"2.5", 2.5, 2},   {"-2.5", -2.5, -2},
        {"-2", -2, -2},      {"abc", 0, 0},     {"", 0, 0},        {"  ", 0, 0},
        {".5", 0.5, 0},      {"1.5x", 1.5, 2},  {"+7", 7, 7},      {"-", 0, 0},
        {"1e3", 1000, 1000}, {"1e", 1, 1},      {"0.49999", 0.49999, 0},
        {"三年级", 0, 0},    {"60分", 60, 60},  {"1,5", 1, 1},
    };
    for (const auto& c : cases) {
        const QString t = QString::fromUtf8(c.text);
        EXPECT_DOUBLE_EQ(leadingNumber(t), c.number) << c.text;
        EXPECT_EQ(leadingWholeNumber(t), c.whole) << c.text;
    }
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(-1.5), -2);
    EXPECT_EQ(roundHalfEven(2.5000001), 3);
    EXPECT_EQ(roundHalfEven(1e300), std::numeric_limits<int64_t>::max());   // saturates, no UB
    EXPECT_EQ(leadingWholeNumber(QStringLiteral("99999999999999999999999")), std::numeric_limits<int64_t>::max());
}

TEST(Values, TrimBlanksRemovesOnlySpacesOnBothSides) {
    EXPECT_EQ(trimBlanks(QStringLiteral("  高一 级 ")), QStringLiteral("高一 级"));
    EXPECT_EQ(trimBlanks(QStringLiteral("   ")), QString());
    EXPECT_EQ(trimBlanks(QStringLiteral("\t中\t")), QStringLiteral("\t中\t"));
}

TEST(Messages, AReasonAndItsSentenceMeetWithOneMark) {
    const struct {
        const char* reason;
        const char* sentence;
        const char* joined;
    } cases[] = {
        {"磁盘已满, 数据没有写入.", "密码没有修改！", "磁盘已满, 数据没有写入. 密码没有修改！"},
        {"磁盘已满。", "密码没有修改！", "磁盘已满。密码没有修改！"},
        {"操作没有完成!  ", "数据没有改变。", "操作没有完成! 数据没有改变。"},
        {"数据库正被别的程序使用", "密码没有修改！", "数据库正被别的程序使用，密码没有修改！"},
        {"SQL 语句有错: x (y)", "这一组修改已全部撤消.", "SQL 语句有错: x (y)，这一组修改已全部撤消."},
        {"不能写入文件:", "，密码没有修改！", "不能写入文件，密码没有修改！"},
        {"缺少字段，；", "没有导入.", "缺少字段，没有导入."},
        {"文件太大...", "没有保存.", "文件太大... 没有保存."},
        {"", "密码没有修改！", "密码没有修改！"},
        {"，", "密码没有修改！", "密码没有修改！"},
        {"磁盘已满.", "", "磁盘已满."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(reasonThen(QString::fromUtf8(c.reason), QString::fromUtf8(c.sentence)), QString::fromUtf8(c.joined))
            << c.reason << " | " << c.sentence;
}
