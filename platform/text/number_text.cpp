#include "platform/text/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace platform {

QString PlainNumberText(double value, Precision precision) {
    char out[kPlainNumberChars];
    return QString::fromLatin1(out, PlainNumberChars(value, precision, out));
}

int PlainNumberChars(double value, Precision precision, char* out) {
    const int digits = precision == Precision::Single ? 7 : 15;
    if (precision == Precision::Single) value = static_cast<float>(value);
    auto literal = [out](const char* text) {
        int n = 0;
        for (; text[n]; ++n) out[n] = text[n];
        return n;
    };
    if (value == 0.0) return literal("0");  // minus zero too
    if (std::isnan(value)) return literal("nan");
    if (std::isinf(value)) return literal(value < 0 ? "-inf" : "inf");

    // Rounded correctly from the exact binary value, as printf's "%.*e" does
    // (the exponent already reflects a carry such as 9.9999999 -> 1.000000e+01),
    // without printf's cost: the calculation writes tens of thousands of these.
    char buf[48];
    const auto written = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, digits - 1);
    const char* p = buf;
    const bool negative = *p == '-';
    if (negative) ++p;
    char mantissa[24];
    int size = 0;
    for (; p < written.ptr && *p != 'e'; ++p)
        if (*p != '.') mantissa[size++] = *p;
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+'), written.ptr, exponent);
    while (size > 1 && mantissa[size - 1] == '0') --size;

    int n = 0;
    if (negative) out[n++] = '-';
    auto put = [&](const char* from, int count) {
        for (int i = 0; i < count; ++i) out[n++] = from[i];
    };
    if (exponent < -4 || exponent >= digits) {
        out[n++] = mantissa[0];
        if (size > 1) {
            out[n++] = '.';
            put(mantissa + 1, size - 1);
        }
        out[n++] = 'E';
        out[n++] = exponent < 0 ? '-' : '+';
        const int e = std::abs(exponent);
        if (e < 10) out[n++] = '0';
        n = int(std::to_chars(out + n, out + kPlainNumberChars, e).ptr - out);
    } else if (exponent >= 0) {
        const int whole = exponent + 1;
        if (size <= whole) {
            put(mantissa, size);
            for (int i = size; i < whole; ++i) out[n++] = '0';
        } else {
            put(mantissa, whole);
            out[n++] = '.';
            put(mantissa + whole, size - whole);
        }
    } else {
        out[n++] = '0';
        out[n++] = '.';
        for (int i = 0; i < -exponent - 1; ++i) out[n++] = '0';
        put(mantissa, size);
    }
    return n;
}

QString NumberText(double value, Precision precision) {
    QString text = PlainNumberText(value, precision);
    const bool negative = text.startsWith(u'-');
    const qsizetype at = negative ? 1 : 0;
    if (text.mid(at, 2) == QStringLiteral("0.")) text.remove(at, 1);
    return negative ? text : u' ' + text;
}

QString PatternNumberText(double value, int decimals, Precision precision) {
    const int digits = precision == Precision::Single ? 7 : 15;
    if (precision == Precision::Single) value = static_cast<float>(value);
    if (!std::isfinite(value)) return QString::number(value);
    // Rounded on the digits the number is written with, so that a stored
    // 2.675 gives 2.68 as the user reads it, not its binary neighbour.
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.*e", digits - 1, std::fabs(value));
    QString mantissa;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p != '.') mantissa += QLatin1Char(*p);
    const int before = std::atoi(p + 1) + 1;   // digits before the point
    QString whole, fraction;
    if (before > 0) {
        whole = mantissa.left(before);
        if (whole.size() < before) whole += QString(before - whole.size(), u'0');
        fraction = mantissa.mid(before);
    } else {
        whole = QStringLiteral("0");
        fraction = QString(-before, u'0') + mantissa;
    }
    if (fraction.size() > decimals) {
        const bool up = fraction[decimals] >= u'5';
        fraction.truncate(decimals);
        if (up) {
            QString all = whole + fraction;
            int i = int(all.size()) - 1;
            for (; i >= 0 && all[i] == u'9'; --i) all[i] = u'0';
            if (i < 0) all.prepend(u'1');
            else all[i] = QChar(all[i].unicode() + 1);
            whole = all.left(all.size() - fraction.size());
            fraction = all.right(fraction.size());
        }
    }
    while (fraction.endsWith(u'0')) fraction.chop(1);
    while (whole.size() > 1 && whole.startsWith(u'0')) whole.remove(0, 1);
    const bool zero = whole == QStringLiteral("0") && fraction.isEmpty();
    return (value < 0 && !zero ? QStringLiteral("-") : QString()) + whole + u'.' + fraction;
}

} // namespace platform
