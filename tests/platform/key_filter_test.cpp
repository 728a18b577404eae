#include "platform/ui/key_filter.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

TEST(KeyFilter, CodesAsTheOldHandlersReadThem) {
    EXPECT_EQ(platform::keyCodeOf(QChar(13)), 13);
    EXPECT_EQ(platform::keyCodeOf(QChar(8)), 8);
    EXPECT_EQ(platform::keyCodeOf(QChar('a')), 97);
    EXPECT_EQ(platform::keyCodeOf(QChar(' ')), 32);
    EXPECT_LT(platform::keyCodeOf(QChar(0x5F20)), 0);   // 张, two bytes in GBK
    EXPECT_EQ(platform::keyCodeOf(QChar(0x00E9)), int16_t(0xA8A6));  // é is a GBK double-byte character too
}

TEST(KeyFilter, ZeroSwallowsTheKeyAndKeysWithoutTextNeverArrive) {
    QLineEdit box;
    std::vector<int16_t> seen;
    platform::filterKeys(&box, [&](int16_t& key) {
        seen.push_back(key);
        if (key == 'x' || key == 13)
            key = 0;
    });
    QTest::keyClicks(&box, "axb");
    QTest::keyClick(&box, Qt::Key_Left);
    QTest::keyClick(&box, Qt::Key_Delete);
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_EQ(box.text(), "a");   // "x" swallowed; Left and Delete did their own work on "b"
    EXPECT_EQ(seen, (std::vector<int16_t>{'a', 'x', 'b', 13}));
}
