#include "platform/text/values.h"

#include <QDate>
#include <QDateTime>

#include <cmath>
#include <limits>

namespace platform {

double leadingNumber(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t')) ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) ++i;
    qsizetype digits = 0;
    while (i < n && text[i] >= u'0' && text[i] <= u'9') { ++i; ++digits; }
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && text[i] >= u'0' && text[i] <= u'9') { ++i; ++digits; }
    }
    if (digits == 0) return 0.0;
    // An exponent only counts when digits follow it.
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-')) ++j;
        qsizetype ed = 0;
        while (j < n && text[j] >= u'0' && text[j] <= u'9') { ++j; ++ed; }
        if (ed > 0) i = j;
    }
    bool ok = false;
    const double v = text.mid(start, i - start).toDouble(&ok);
    return ok ? v : 0.0;
}

double LeadingNumber(const QString& text) {
    QString packed;
    packed.reserve(text.size());
    for (const QChar c : text)
        if (c != u' ' && c != u'\t' && c != u'\n') packed += c;
    return leadingNumber(packed);
}

int64_t roundHalfEven(double value) {
    // Out-of-range values would make the conversion undefined; they saturate.
    if (std::isnan(value)) return 0;
    if (value >= 9.2e18) return std::numeric_limits<int64_t>::max();
    if (value <= -9.2e18) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(std::nearbyint(value));  // default rounding mode is to-even
}

int64_t leadingWholeNumber(const QString& text) {
    return roundHalfEven(leadingNumber(text));
}

QString trimBlanks(const QString& text) {
    qsizetype b = 0, e = text.size();
    while (b < e && text[b] == u' ') ++b;
    while (e > b && text[e - 1] == u' ') --e;
    return text.mid(b, e - b);
}

QString shortDateText(const QVariant& value) {
    if (value.isNull())
        return {};
    if (value.metaType().id() == QMetaType::QDate)
        return value.toDate().toString(QStringLiteral("yyyy-M-d"));
    if (value.metaType().id() == QMetaType::QDateTime)
        return value.toDateTime().date().toString(QStringLiteral("yyyy-M-d"));
    return value.toString();
}

} // namespace platform
