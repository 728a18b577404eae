#include "platform/text/gbk.h"
#include "platform/text/values.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Gbk, CharacterCodesAsTheSettingsRecordStoresThem) {
    EXPECT_EQ(gbkCharCode(QStringLiteral("中")), -10544);
    EXPECT_EQ(gbkCharCode(QStringLiteral(" ")), 32);
    EXPECT_EQ(gbkCharCode(QStringLiteral("A")), 65);
    EXPECT_EQ(characterFromGbkCode(-10544), QStringLiteral("中"));
    EXPECT_EQ(characterFromGbkCode(66), QStringLiteral("B"));
    EXPECT_FALSE(gbkCharCode(QStringLiteral("😀")).has_value());
}
