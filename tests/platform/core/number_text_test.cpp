#include "platform/text/number_text.h"
#include "platform/text/values.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(NumberTexts, SevenOrFifteenDigitsAndTheSignRoom) {
    struct Case { double value; Precision precision; const char* plain; const char* spaced; };
    const Case cases[] = {
        {0.5, Precision::Single, "0.5", " .5"},
        {0.5, Precision::Double, "0.5", " .5"},
        {-0.5, Precision::Double, "-0.5", "-.5"},
        {100, Precision::Single, "100", " 100"},
        {-5, Precision::Double, "-5", "-5"},
        {0, Precision::Double, "0", " 0"},
        {-0.0, Precision::Single, "0", " 0"},
        {1.0 / 3, Precision::Single, "0.3333333", " .3333333"},
        {1.0 / 3, Precision::Double, "0.333333333333333", " .333333333333333"},
        {-1.0 / 3, Precision::Double, "-0.333333333333333", "-.333333333333333"},
        {100.0 / 150, Precision::Single, "0.6666667", " .6666667"},
        {0.1, Precision::Single, "0.1", " .1"},
        {81.666664, Precision::Single, "81.66666", " 81.66666"},
        {153.333333333333, Precision::Single, "153.3333", " 153.3333"},
        {13.333333333333334, Precision::Double, "13.3333333333333", " 13.3333333333333"},
        {9.99999999, Precision::Single, "10", " 10"},
        {1234567, Precision::Single, "1234567", " 1234567"},
        {12345678, Precision::Single, "1.234568E+07", " 1.234568E+07"},
        {12345678, Precision::Double, "12345678", " 12345678"},
        {0.0001, Precision::Double, "0.0001", " .0001"},
        {0.00001, Precision::Double, "1E-05", " 1E-05"},
        {-0.000015, Precision::Double, "-1.5E-05", "-1.5E-05"},
        {999999999999999, Precision::Double, "999999999999999", " 999999999999999"},
        {1e15, Precision::Double, "1E+15", " 1E+15"},
        {-2.5e15, Precision::Double, "-2.5E+15", "-2.5E+15"},
        {1e-100, Precision::Double, "1E-100", " 1E-100"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlainNumberText(c.value, c.precision), QString::fromUtf8(c.plain)) << c.plain;
        EXPECT_EQ(NumberText(c.value, c.precision), QString::fromUtf8(c.spaced)) << c.plain;
    }
}

TEST(NumberTexts, TypedTextsReadPastBlanksTabsAndLineFeeds) {
    const std::pair<QString, double> cases[] = {
        {QStringLiteral("8 0"), 80},
        {QStringLiteral("\n60"), 60},
        {QStringLiteral("\t7\t5"), 75},
        {QStringLiteral(" - 5"), -5},
        {QStringLiteral("1 . 5"), 1.5},
        {QStringLiteral("80分"), 80},
        {QStringLiteral("1e3"), 1000},
        {QStringLiteral("1e"), 1},
        {QStringLiteral("abc"), 0},
        {QStringLiteral(""), 0},
    };
    for (const auto& [text, value] : cases) EXPECT_DOUBLE_EQ(LeadingNumber(text), value) << text.toStdString();
    EXPECT_DOUBLE_EQ(leadingNumber(QStringLiteral("8 0")), 8);  // the plain reading stops at the blank
}

TEST(NumberTexts, PatternsRoundDropTrailingZerosAndKeepThePoint) {
    struct Case { double value; int decimals; Precision precision; const char* text; };
    const Case cases[] = {
        {85.666, 2, Precision::Single, "85.67"},
        {85.66667, 2, Precision::Single, "85.67"},
        {85.5, 2, Precision::Single, "85.5"},
        {85, 2, Precision::Single, "85."},
        {0, 2, Precision::Single, "0."},
        {-3.5, 2, Precision::Single, "-3.5"},
        {-0.001, 2, Precision::Single, "0."},
        {0.125, 2, Precision::Single, "0.13"},        // half away from zero
        {2.675, 2, Precision::Single, "2.68"},        // on the digits as written
        {99.996, 2, Precision::Single, "100."},       // the carry reaches the whole part
        {0.25, 5, Precision::Double, "0.25"},
        {100.0 / 120, 5, Precision::Double, "0.83333"},
        {5.0 / 120, 5, Precision::Double, "0.04167"},
        {1, 5, Precision::Double, "1."},
        {0.000004, 5, Precision::Double, "0."},
        {0.000005, 5, Precision::Double, "0.00001"},
        {12345678, 2, Precision::Double, "12345678."},
        {1e-9, 5, Precision::Double, "0."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PatternNumberText(c.value, c.decimals, c.precision), QString::fromUtf8(c.text)) << c.text;
}
