#include "platform/text/gbk.h"
#include "platform/text/profile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::readProfileString;
using platform::writeProfileString;

namespace {

// File contents are given as UTF-8 literals and stored as GBK; raw bytes
// (another encoding) are spliced in where a case needs them.
QByteArray gbk(const char* utf8) { return platform::toGbk(QString::fromUtf8(utf8)); }

class Profile : public ::testing::Test {
protected:
    QString file() const { return dir_.filePath(QStringLiteral("参数设置.ini")); }
    void store(const QByteArray& bytes) {
        QFile f(file());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray stored() const {
        QFile f(file());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    QTemporaryDir dir_;
};

TEST_F(Profile, ReadsAsTheProfileFunctionsDid) {
    struct Case { const char* content; const char* section; const char* key; const char* expected; };
    const Case cases[] = {
        {"[Window]\r\nTool=Yes\r\n", "window", "TOOL", "Yes"},                    // names without case
        {"[A]\r\n  k  =   v w  \r\n", "A", "k", "v w"},                          // spaces around
        {"[A]\r\nk=\"  quoted \"\r\n", "A", "k", "  quoted "},                   // one pair of quotes
        {"[A]\r\nk=\"\"x\"\"\r\n", "A", "k", "\"x\""},                           // only one pair
        {"[A]\r\nk=1\r\nk=2\r\n[A]\r\nk=3\r\nj=4\r\n", "A", "k", "1"},           // first key wins
        {"[A]\r\nk=1\r\n[A]\r\nj=4\r\n", "A", "j", ""},                          // first section wins
        {"[A]\r\nk=1\r\n", "B", "k", ""},                                        // missing section
        {"[A]\r\nk=1\r\n", "A", "x", ""},                                        // missing key
        {"[A]\nk=汉族\n", "A", "k", "汉族"},                                      // bare line feeds
        {"; k=no\r\n[A]\r\n;k=no\r\nk=yes\r\n", "A", "k", "yes"},                // comments
    };
    for (const Case& c : cases) {
        store(gbk(c.content));
        EXPECT_EQ(readProfileString(file(), QString::fromUtf8(c.section), QString::fromUtf8(c.key)),
                  QString::fromUtf8(c.expected))
            << c.content << " / " << c.key;
    }
    EXPECT_EQ(readProfileString(dir_.filePath(QStringLiteral("none.ini")), "A", "k"), QString());
}

TEST_F(Profile, ReadCutsAt127BytesOnACharacterBoundaryAndSkipsForeignLines) {
    store(gbk("[A]\r\nk=") + QByteArray("x") + platform::toGbk(QString(70, QChar(0x4E2D))) + "\r\n");
    const QString v = readProfileString(file(), "A", "k");
    EXPECT_EQ(v, QStringLiteral("x") + QString(63, QChar(0x4E2D)));   // 1 + 126 bytes; the next would cross 127

    // A line saved by hand in another encoding reads as nothing and harms no other.
    store(QByteArray("[A]\r\nbad=\xff\xff\r\n") + gbk("k=好\r\n"));
    EXPECT_EQ(readProfileString(file(), "A", "bad"), QString());
    EXPECT_EQ(readProfileString(file(), "A", "k"), QStringLiteral("好"));
}

TEST_F(Profile, WritesInPlaceAndKeepsEveryOtherLine) {
    struct Case { QByteArray before; const char* section; const char* key; const char* value; QByteArray after; };
    const Case cases[] = {
        // a key present is rewritten where it stands; a comment stays
        {gbk("; 注释\r\n[A]\r\nk=1\r\nz=9\r\n"), "A", "k", "2", gbk("; 注释\r\n[A]\r\nk=2\r\nz=9\r\n")},
        // name case: the existing line is found and rewritten
        {gbk("[window]\r\nTOOL=No\r\n"), "Window", "Tool", "Yes", gbk("[window]\r\nTool=Yes\r\n")},
        // a new key follows the section's last line, before the blank line and the next section
        {gbk("[A]\r\nk=1\r\n\r\n[B]\r\nx=1\r\n"), "A", "n", "v", gbk("[A]\r\nk=1\r\nn=v\r\n\r\n[B]\r\nx=1\r\n")},
        // a new section goes at the end; a last line without its end gets one
        {gbk("[A]\r\nk=1"), "B", "x", "汉", gbk("[A]\r\nk=1\r\n[B]\r\nx=汉\r\n")},
        // the first of two sections of one name takes the key
        {gbk("[A]\r\nk=1\r\n[A]\r\n"), "a", "j", "2", gbk("[A]\r\nk=1\r\nj=2\r\n[A]\r\n")},
        // a line in another encoding is kept byte for byte
        {QByteArray("[A]\r\nbad=\xff\xff\r\n"), "A", "k", "v", QByteArray("[A]\r\nbad=\xff\xff\r\nk=v\r\n")},
        // no file yet
        {QByteArray(), "JiGuan", "Total", "1", gbk("[JiGuan]\r\nTotal=1\r\n")},
    };
    for (const Case& c : cases) {
        QFile::remove(file());
        if (!c.before.isNull())
            store(c.before);
        EXPECT_TRUE(writeProfileString(file(), QString::fromUtf8(c.section), QString::fromUtf8(c.key),
                                       QString::fromUtf8(c.value)));
        EXPECT_EQ(stored(), c.after) << c.before.toStdString();
    }
}

TEST_F(Profile, RefusedWriteKeepsTheOldFile) {
    const QByteArray before = gbk("[A]\r\nk=1\r\n");
    store(before);
    EXPECT_FALSE(writeProfileString(file(), "A", "k", QStringLiteral("\U0001F600")));   // GBK cannot hold it
    EXPECT_FALSE(writeProfileString(file(), "A", "k", QStringLiteral("a\r\nb=c")));     // would make a new key
    EXPECT_EQ(stored(), before);
    EXPECT_FALSE(writeProfileString(dir_.filePath(QStringLiteral("no/such/folder.ini")), "A", "k", "v"));
    EXPECT_FALSE(QFile::exists(dir_.filePath(QStringLiteral("no"))));
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{QStringLiteral("参数设置.ini")});
}

TEST_F(Profile, ManyChangesInOneReadingAreWrittenOnceAsSingleWritesWouldHaveMadeThem) {
    struct Write { const char* section; const char* key; const char* value; };
    struct Case { QByteArray before; std::vector<Write> writes; QByteArray after; };
    const Case cases[] = {
        // keys added one after another keep their order before the blank line
        {gbk("[A]\r\nk=1\r\n\r\n[B]\r\nx=1\r\n"), {{"A", "n", "v"}, {"a", "m", "w"}, {"A", "N", "2"}},
         gbk("[A]\r\nk=1\r\nN=2\r\nm=w\r\n\r\n[B]\r\nx=1\r\n")},
        // a section made by the first write takes the next keys; a key after a grown one is still found
        {gbk("[A]\r\nk=1"), {{"B", "x", "1"}, {"b", "y", "2"}, {"A", "k", "3"}, {"B", "x", "4"}},
         gbk("[A]\r\nk=3\r\n[B]\r\nx=4\r\ny=2\r\n")},
        // a key name that reads back as a section: the rest is worked out as a reading would
        {gbk("[A]\r\nk=1\r\n"), {{"A", "[C", "1"}, {"C=1", "z", "2"}, {"A", "j", "3"}},
         gbk("[A]\r\nk=1\r\nj=3\r\n[C=1\r\nz=2\r\n")},
    };
    for (const Case& c : cases) {
        store(c.before);
        platform::Profile p(file());
        for (const Write& w : c.writes)
            EXPECT_TRUE(p.setValue(QString::fromUtf8(w.section), QString::fromUtf8(w.key), QString::fromUtf8(w.value)));
        EXPECT_EQ(stored(), c.before) << "written before save()";
        ASSERT_TRUE(p.save());
        EXPECT_EQ(stored(), c.after) << c.before.toStdString();
        // What the profile held is what the file now reads.
        for (const Write& w : c.writes)
            EXPECT_EQ(p.value(QString::fromUtf8(w.section), QString::fromUtf8(w.key)),
                      readProfileString(file(), QString::fromUtf8(w.section), QString::fromUtf8(w.key)))
                << w.section << "/" << w.key;
    }
}

} // namespace
