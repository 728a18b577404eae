#include "platform/text/gbk.h"
#include "records/core/Tavisk.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ProfileLists : public ::testing::Test {
protected:
    QString file() const { return dir_.filePath(QStringLiteral("参数设置.ini")); }
    void store(const char* utf8) {
        QFile f(file());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(platform::toGbk(QString::fromUtf8(utf8)));
    }
    QString text() const { return platform::readGbkFile(file()); }
    QTemporaryDir dir_;
};

TEST_F(ProfileLists, TotalCountsByItsLeadingDigits) {
    struct Case { const char* total; int n; };
    const Case cases[] = {{"3x", 3}, {"12", 12}, {"abc", 0}, {"", 0}, {" 2 ", 2}};
    for (const Case& c : cases) {
        store((std::string("[ZhiWu]\r\nTotal=") + c.total + "\r\nM001=a\r\nM002=b\r\nM003=c\r\n").c_str());
        EXPECT_EQ(Tavisk::listTotal(file(), "ZhiWu"), c.n) << c.total;
    }
    store("[JiGuan]\r\nTotal=3\r\nJ001= 北京 \r\nJ003=上海\r\n");
    EXPECT_EQ(Tavisk::readList(file(), "JiGuan"), (QStringList{"北京", "", "上海"}));
}

TEST_F(ProfileLists, KeysAndGrowth) {
    EXPECT_EQ(Tavisk::listKey("JiGuan", 1), QStringLiteral("J001"));
    EXPECT_EQ(Tavisk::listKey("MianMao", 999), QStringLiteral("M999"));
    EXPECT_EQ(Tavisk::listKey("ZhiWu", 1000), QStringLiteral("M1000"));

    // A missing section: Total is written before the entry.
    Tavisk::growList(file(), "ZhiWu", "班长");
    EXPECT_EQ(text(), QStringLiteral("[ZhiWu]\r\nTotal=1\r\nM001=班长\r\n"));

    // A Total that is no number counts 0: the new value goes over entry 1.
    store("[MinZhu]\r\nTotal=abc\r\nM001=汉\r\n");
    Tavisk::growList(file(), "MinZhu", "回");
    EXPECT_EQ(Tavisk::readList(file(), "MinZhu"), QStringList{"回"});

    // An entry the file cannot hold leaves the list as it was, not a Total
    // counting a blank entry.
    store("[ZhiWu]\r\nTotal=1\r\nM001=班长\r\n");
    Tavisk::growList(file(), "ZhiWu", QStringLiteral("\U0001F600"));
    EXPECT_EQ(text(), QStringLiteral("[ZhiWu]\r\nTotal=1\r\nM001=班长\r\n"));

    store("[JiGuan]\r\nTotal=999\r\n");
    Tavisk::growList(file(), "JiGuan", "南京");
    EXPECT_EQ(Tavisk::ReadIni(file(), "JiGuan", "J1000"), QStringLiteral("南京"));
    EXPECT_EQ(Tavisk::ReadIni(file(), "JiGuan", "Total"), QStringLiteral("1000"));
}

TEST_F(ProfileLists, DefaultsInTheirOrder) {
    Tavisk::writeDefaultProfile(file());
    EXPECT_EQ(Tavisk::readList(file(), "JiGuan"), QStringList{"未知"});
    EXPECT_EQ(Tavisk::readList(file(), "MinZhu"), QStringList{"汉"});
    EXPECT_EQ(Tavisk::readList(file(), "JZZhuWu"), QStringList{"职员"});
    EXPECT_EQ(Tavisk::readList(file(), "MianMao"),
              (QStringList{"无", "共青团员", "少先队员", "少先队员", "共产党员"}));
    EXPECT_EQ(Tavisk::readList(file(), "ZhiWu"),
              (QStringList{"组长", "班长", "副班长", "支部书记", "学习委员", "劳动委员", "体育委员", "生活委员"}));
    const QString t = text();
    EXPECT_TRUE(t.startsWith(QStringLiteral("[JiGuan]\r\nTotal=1\r\nJ001=未知\r\n[MinZhu]\r\n")));
    EXPECT_TRUE(t.contains(QStringLiteral("[ZhiWu]\r\nTotal=8\r\nM001=组长\r\n")));
    Tavisk::growList(file(), "ZhiWu", "纪律委员");
    EXPECT_EQ(Tavisk::ReadIni(file(), "ZhiWu", "M009"), QStringLiteral("纪律委员"));
}

TEST(RegionIds, FittedToThreeCharacters) {
    EXPECT_EQ(fittedRegionId("1"), QStringLiteral("1  "));
    EXPECT_EQ(fittedRegionId("0012"), QStringLiteral("001"));
    EXPECT_EQ(fittedRegionId(""), QStringLiteral("   "));
}

} // namespace
