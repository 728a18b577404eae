#include "platform/db/recordset.h"
#include "records/core/Tavisk.h"
#include "records/core/editor_rules.h"
#include "records/core/records_database.h"
#include "platform/text/gbk.h"
#include "support/school_fixture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using records::birthDateKey;

namespace {

int16_t code(const char* oneCharacter) { return *platform::gbkCharCode(QString::fromUtf8(oneCharacter)); }

TEST(BirthDateAid, BuildsTheDateFromTheKeys) {
    struct Case { const char* before; char key; const char* prefix; const char* after; bool moves; const char* prefixAfter; };
    const Case cases[] = {
        {"", '2', "", "2", false, ""},
        {"2", '0', "", "20", false, ""},
        {"20", '0', "", "200", false, ""},
        {"200", '3', "", "2003-", false, "200"},
        {"2003-", '7', "200", "2003-07-", false, "200"},
        {"2003-07-", '2', "200", "2003-07-2", false, "200"},
        {"2003-07-2", '1', "200", "2003-07-21", true, "200"},
        {"", '4', "200", "2004-", false, "200"},                 // the next record
        {"2003-1", '2', "", "2003-12-", false, ""},
        {"2003-1", '5', "", "2003-01-05", true, ""},              // 15 is no month: again at length 8
        {"2003-", '0', "", "2003-0", false, ""},
        {"2003-", '1', "", "2003-1", false, ""},
        {"2003-07-", '5', "", "2003-07-05", true, ""},
        {"2003-07-3", '5', "", "2003-07-03", true, ""},           // 35 is no day: the 5 is dropped
        {"2003-07-3", '1', "", "2003-07-31", true, ""},
        {"2003-07-31", '9', "", "2003-07-31", true, ""},
        {"2003-07-45", '2', "", "2003-07-2", false, ""},          // cut back to 8, the key starts the day
        {"2003-07-45", '7', "", "2003-07-07", true, ""},
        {"2003", '5', "", "20035", false, ""},                    // after a Backspace to four characters
        {"2003-07-211", '1', "", "2003-07-2111", false, ""},
        {"2003-", 'a', "", "2003-0a-", false, ""},                // a letter is above "1"
    };
    for (const Case& c : cases) {
        const auto r = birthDateKey(QString::fromUtf8(c.before), QLatin1Char(c.key), QString::fromUtf8(c.prefix));
        EXPECT_EQ(r.text, QString::fromUtf8(c.after)) << c.before << " + " << c.key;
        EXPECT_EQ(r.focusMovesOn, c.moves) << c.before << " + " << c.key;
        EXPECT_EQ(r.yearPrefix, QString::fromUtf8(c.prefixAfter)) << c.before << " + " << c.key;
    }
}

TEST(NameBox, ChineseOnlyAndEnterCommits) {
    EXPECT_EQ(records::nameKey(code("a")), records::NameKey::Refuse);
    EXPECT_EQ(records::nameKey(code("1")), records::NameKey::Refuse);
    EXPECT_EQ(records::nameKey(code(" ")), records::NameKey::Refuse);
    EXPECT_EQ(records::nameKey(22), records::NameKey::Refuse);               // Ctrl+V
    EXPECT_EQ(records::nameKey(code("张")), records::NameKey::Pass);   // 张
    EXPECT_EQ(records::nameKey(8), records::NameKey::Pass);
    EXPECT_EQ(records::nameKey(13), records::NameKey::Enter);
    EXPECT_TRUE(records::isChineseOnly("欧阳小明"));
    EXPECT_FALSE(records::isChineseOnly("张a"));
    EXPECT_FALSE(records::isChineseOnly("张 三"));
    EXPECT_FALSE(records::isChineseOnly(QStringLiteral("\U0001F600")));
    EXPECT_EQ(records::committedName("  欧阳小明 "), QStringLiteral("欧阳小"));
}

TEST(BirthDateCheck, RealCalendarDatesOnly) {
    for (const char* good : {"2003-7-21", "2003-07-21", " 2003-7-1 ", "2004-2-29"})
        EXPECT_TRUE(records::isBirthDate(QString::fromUtf8(good))) << good;
    for (const char* bad : {"2003-02-30", "2003-13-01", "2003-7", "abc", "2003/7/21x", "", "2003-07-21 10"})
        EXPECT_FALSE(records::isBirthDate(QString::fromUtf8(bad))) << bad;
}

TEST(CompletionLists, GrowWithNewValuesOnly) {
    QTemporaryDir dir;
    const QString file = dir.filePath("参数设置.ini");
    Tavisk::writeDefaultProfile(file);
    QStringList items = Tavisk::readList(file, "MianMao");
    QString text = "  回族 ";
    EXPECT_TRUE(records::growCompletion(text, items, file, "MianMao"));
    EXPECT_EQ(text, QStringLiteral("回族"));
    EXPECT_EQ(items.last(), QStringLiteral("回族"));
    EXPECT_EQ(Tavisk::ReadIni(file, "MianMao", "Total"), QStringLiteral("6"));
    EXPECT_EQ(Tavisk::ReadIni(file, "MianMao", "M006"), QStringLiteral("回族"));

    text = "无 ";
    EXPECT_FALSE(records::growCompletion(text, items, file, "MianMao"));   // already listed
    text = "   ";
    EXPECT_FALSE(records::growCompletion(text, items, file, "MianMao"));
    EXPECT_EQ(Tavisk::ReadIni(file, "MianMao", "Total"), QStringLiteral("6"));

    // A section without Total: the value becomes entry 1.
    items.clear();
    text = "上海";
    EXPECT_TRUE(records::growCompletion(text, items, file, "Other"));
    EXPECT_EQ(Tavisk::ReadIni(file, "Other", "M001"), QStringLiteral("上海"));
    EXPECT_EQ(Tavisk::ReadIni(file, "Other", "Total"), QStringLiteral("1"));
}

TEST(NewArea, NextIdAndRefusals) {
    EXPECT_EQ(records::nextAreaId({"001", "002", "003"}), QStringLiteral("004"));
    EXPECT_EQ(records::nextAreaId({"011", "abc", "002"}), QStringLiteral("012"));   // abc sorts last, counts not
    EXPECT_EQ(records::nextAreaId({}), QStringLiteral("001"));
    EXPECT_EQ(records::nextAreaId({"7", "01"}), QStringLiteral("001"));
    EXPECT_EQ(records::nextAreaId({"998"}), QStringLiteral("999"));
    EXPECT_EQ(records::nextAreaId({"999"}), QString());

    Tavisk::resetState();
    SchoolFixture school;
    auto db = school.db();
    db->createTable(records::areaTableDef());
    RegionList regions;
    auto area = records::addNewArea(*db, regions, {}, "新村");
    ASSERT_TRUE(area.added);
    EXPECT_EQ(area.region.id, QStringLiteral("001"));     // an empty table
    db->insertRow("区域表", {"ID", "名称"}, {"abc", "手写"});
    area = records::addNewArea(*db, regions, {"新村"}, "新村 ");   // a trailing space makes it new
    ASSERT_TRUE(area.added);
    EXPECT_EQ(area.region.id, QStringLiteral("002"));
    EXPECT_EQ(regions.count(), 2);
    EXPECT_EQ(regions.at(2).name, QStringLiteral("新村 "));
    EXPECT_EQ(regions.at(2).distance, 0);

    EXPECT_FALSE(records::addNewArea(*db, regions, {"新村"}, "新村").added);
    EXPECT_FALSE(records::addNewArea(*db, regions, {}, "").added);
    area = records::addNewArea(*db, regions, {}, "一二三四五六七八九");
    EXPECT_FALSE(area.added);
    EXPECT_FALSE(area.message.isEmpty());
    db->insertRow("区域表", {"ID", "名称"}, {"999", "末"});
    area = records::addNewArea(*db, regions, {}, "再一个");
    EXPECT_FALSE(area.added);
    EXPECT_FALSE(area.message.isEmpty());
    EXPECT_EQ(regions.count(), 2);   // no phantom area
    EXPECT_EQ(db->query("SELECT * FROM 区域表").size(), 4u);
}

} // namespace
