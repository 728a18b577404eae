#include "platform/text/number_text.h"
#include "platform/text/values.h"

#include <gtest/gtest.h>
#include <limits>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

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
    // What is no number reads as Qt writes it; a double beyond a single is one.
    const double inf = std::numeric_limits<double>::infinity();
    for (double v : {inf, -inf, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(PlainNumberText(v, Precision::Double), QString::number(v));
    EXPECT_EQ(PlainNumberText(1e39, Precision::Single), QString::number(inf));
    EXPECT_EQ(PlainNumberText(-1e39, Precision::Single), QString::number(-inf));
}

// The digits are those of printf's "%.*e" on the exact binary value, ties and
// carries included: checked against it over many values of both precisions.
TEST(NumberTexts, DigitsAgreeWithPrintfEverywhere) {
    const auto reference = [](double value, Precision precision) {
        const int digits = precision == Precision::Single ? 7 : 15;
        if (precision == Precision::Single) value = static_cast<float>(value);
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*e", digits - 1, value);
        const char* e = std::strchr(buf, 'e');
        std::string mantissa;
        for (const char* p = buf + (buf[0] == '-'); p < e; ++p)
            if (*p != '.') mantissa += *p;
        while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
        const int exponent = std::atoi(e + 1);
        std::string out = buf[0] == '-' ? "-" : "";
        if (exponent < -4 || exponent >= digits) {
            out += mantissa.substr(0, 1);
            if (mantissa.size() > 1) out += "." + mantissa.substr(1);
            char tail[16];
            std::snprintf(tail, sizeof tail, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
            out += tail;
        } else if (exponent >= 0) {
            const std::size_t whole = std::size_t(exponent) + 1;
            out += mantissa.size() <= whole ? mantissa + std::string(whole - mantissa.size(), '0')
                                            : mantissa.substr(0, whole) + "." + mantissa.substr(whole);
        } else {
            out += "0." + std::string(std::size_t(-exponent - 1), '0') + mantissa;
        }
        return QString::fromStdString(out);
    };
    std::mt19937_64 random(45);
    std::vector<double> values = {0.5, 2.5, 0.125, 1e21, 1e22, 5e-324, 1.7976931348623157e308, 3.4028234663852886e38,
                                  9.9999995, 99999995, 0.00015, 1.5e-5, 123456.5, 1234567.5, 0.3, 2.675, 1e-5, 1e-4};
    for (int i = 0; i < 50000; ++i) {
        float f;
        const auto bits = std::uint32_t(random());
        std::memcpy(&f, &bits, sizeof f);
        if (std::isfinite(f)) values.push_back(f);
        double d;
        const auto bits64 = random();
        std::memcpy(&d, &bits64, sizeof d);
        if (std::isfinite(d)) values.push_back(d);
        values.push_back(double(random() % 20001) / 100.0 - 100.0);   // marks and the like
        values.push_back(double(random() % 1000) * std::pow(10.0, int(random() % 30) - 15));
    }
    int differ = 0;
    for (const double v : values)
        for (const Precision p : {Precision::Single, Precision::Double}) {
            if (v == 0 || (p == Precision::Single && (float(v) == 0 || !std::isfinite(float(v))))) continue;
            const QString expected = reference(v, p);
            if (PlainNumberText(v, p) != expected && ++differ <= 5)
                ADD_FAILURE() << v << ": " << PlainNumberText(v, p).toStdString() << " != " << expected.toStdString();
        }
    EXPECT_EQ(differ, 0);
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
