#include "common/widthfit.h"

#include "platform/text/gbk.h"

#include <QString>
#include <gtest/gtest.h>

struct PadCase {
    const char* text;
    int16_t width;
    int16_t leftAlign;
    const char* expected;
};

TEST(PadToWidth, FitsToDisplayColumns) {
    const PadCase cases[] = {
        {"ABC", 6, -1, "ABC   "},
        {"ABC", 6, 0, "   ABC"},
        {"ABC", 6, 1, "   ABC"},          // only -1 puts the text first
        {"ABCDEFGH", 5, -1, "ABCDE"},
        {"ABCDEFGH", 5, 0, "ABCDE"},       // cutting keeps the start either way
        {"ABC", 3, -1, "ABC"},
        {"ABC", 3, 0, "ABC"},
        {"张三", 8, -1, "张三    "},
        {"张三", 8, 0, "    张三"},
        {"张三丰", 6, -1, "张三丰"},
        {"张三丰", 4, 0, "张三"},
        {"A张三", 2, -1, "A张"},           // the crossing character stays whole: 3 columns
        {"张三", 3, 0, "张三"},
        {"A张三", 4, -1, "A张三"},         // 5 columns, cut after 三 which passes 4
        {"", 4, -1, "    "},
        {"", 4, 0, "    "},
        {"", 0, -1, ""},
        {"ABC", 0, -1, ""},
        {"张三", 0, -1, "张"},
        {"A张", 0, 0, "A"},
        {" 85.66667", 6, -1, " 85.66"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + std::to_string(c.width) + " / " + std::to_string(c.leftAlign));
        EXPECT_EQ(PadToWidth(QString::fromUtf8(c.text), c.width, c.leftAlign), QString::fromUtf8(c.expected));
    }
}

TEST(PadToWidth, PaddedResultsHaveExactlyTheWidth) {
    for (const char* t : {"", "A", "张", "A张B三"})
        for (int16_t w = 1; w <= 10; ++w) {   // width 0 is in the case table
            const QString out = PadToWidth(QString::fromUtf8(t), w, -1);
            const int cols = platform::displayWidth(out);
            EXPECT_TRUE(cols == w || cols == w + 1) << t << " " << w << " gives " << cols;
        }
}

TEST(PadToWidth, WithoutAWidthTheTextComesBackUnchanged) {
    EXPECT_EQ(PadToWidth(QStringLiteral("张三 ")), QStringLiteral("张三 "));
    EXPECT_EQ(PadToWidth(QStringLiteral("ABC"), std::nullopt, -1), QStringLiteral("ABC"));
}

TEST(PadToWidth, CharacterGbkCannotHoldCountsOneColumn) {
    // Shown as "?" in the listings: one column.
    EXPECT_EQ(PadToWidth(QStringLiteral("😀张"), 5, -1), QStringLiteral("😀张  "));
}
