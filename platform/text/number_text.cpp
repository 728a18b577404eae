#include "platform/text/number_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace platform {

QString PlainNumberText(double value, Precision precision) {
    const int digits = precision == Precision::Single ? 7 : 15;
    if (precision == Precision::Single) value = static_cast<float>(value);
    if (value == 0.0) return QStringLiteral("0");  // minus zero too
    if (!std::isfinite(value)) return QString::number(value);

    // printf rounds the exact binary value correctly; its exponent already
    // reflects a carry such as 9.9999999 -> 1.000000e+01.
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.*e", digits - 1, value);
    const char* p = buf;
    const bool negative = *p == '-';
    if (negative) ++p;
    QString mantissa;
    for (; *p && *p != 'e'; ++p)
        if (*p != '.') mantissa += QLatin1Char(*p);
    const int exponent = std::atoi(p + 1);
    while (mantissa.size() > 1 && mantissa.endsWith(u'0')) mantissa.chop(1);

    QString text = negative ? QStringLiteral("-") : QString();
    if (exponent < -4 || exponent >= digits) {
        text += mantissa[0];
        if (mantissa.size() > 1) text += u'.' + mantissa.mid(1);
        text += exponent < 0 ? QStringLiteral("E-") : QStringLiteral("E+");
        text += QStringLiteral("%1").arg(std::abs(exponent), 2, 10, QLatin1Char('0'));
    } else if (exponent >= 0) {
        const int whole = exponent + 1;
        if (mantissa.size() <= whole) {
            text += mantissa + QString(whole - mantissa.size(), u'0');
        } else {
            text += mantissa.left(whole) + u'.' + mantissa.mid(whole);
        }
    } else {
        text += QStringLiteral("0.") + QString(-exponent - 1, u'0') + mantissa;
    }
    return text;
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
