#include "platform/db/textorder.h"

#include "platform/db/jet_work.h"

#include <algorithm>

#include "platform/text/gbk.h"

#include <array>
#include <atomic>

namespace platform::db {

namespace {

uint32_t computeWeight(char16_t unit) {
    if (unit < 0x80) {
        char16_t c = unit;
        if (c >= u'A' && c <= u'Z')
            c = c - u'A' + u'a';
        return uint32_t(c) << 8;
    }
    if (unit >= 0xD800 && unit <= 0xDFFF)
        return 0x10000u + unit;
    const QString one{QChar(unit)};
    if (!platform::canEncodeGbk(one))
        return 0x10000u + unit;
    QByteArray bytes = platform::toGbk(one);
    if (bytes.size() == 1)
        return uint32_t(uint8_t(bytes[0])) << 8;
    if (bytes.size() == 2)
        return (uint32_t(uint8_t(bytes[0])) << 8) | uint8_t(bytes[1]);
    return 0x10000u + unit;
}

// Weight of one UTF-16 unit: an ASCII character is its byte (letters folded to
// lower case) shifted left, a GBK character its two bytes; anything GBK cannot
// hold sorts after all of them. Comparing weights one by one then gives the
// same order as comparing the GBK bytes of the folded texts. Each weight is
// asked of the converter the first time a character is met (building all of
// them takes a tenth of a second); sorts run on the calculation's threads too,
// so an entry is an atomic, 0 until known (only ASCII weighs less than 0x100).
std::array<std::atomic<uint32_t>, 65536>& weights() {
    static std::array<std::atomic<uint32_t>, 65536> table{};
    return table;
}

} // namespace

uint32_t textWeight(char16_t unit) {
    if (unit < 0x80)
        return (unit >= u'A' && unit <= u'Z') ? uint32_t(unit - u'A' + u'a') << 8 : uint32_t(unit) << 8;
    std::atomic<uint32_t>& known = weights()[unit];
    uint32_t w = known.load(std::memory_order_relaxed);
    if (w == 0) {
        // Two threads may both compute it: the same value.
        w = computeWeight(unit);
        known.store(w, std::memory_order_relaxed);
    }
    return w;
}

int compareUnits(const char16_t* a, qsizetype na, const char16_t* b, qsizetype nb) {
    const qsizetype n = na < nb ? na : nb;
    for (qsizetype i = 0; i < n; ++i) {
        if (a[i] == b[i])
            continue;
        uint32_t wa = textWeight(a[i]);
        uint32_t wb = textWeight(b[i]);
        if (wa != wb)
            return wa < wb ? -1 : 1;
    }
    return na == nb ? 0 : (na < nb ? -1 : 1);
}

int compareText(const QString& a, const QString& b) {
    return compareUnits(reinterpret_cast<const char16_t*>(a.utf16()), a.size(),
                        reinterpret_cast<const char16_t*>(b.utf16()), b.size());
}

QString equalityKey(QString text) {
    for (QChar& c : text)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return text;
}

QByteArray equalityKeyUtf8(const QByteArray& utf8) {
    // Bytes of multi-byte characters are all above 0x7F: folding the ASCII
    // bytes folds the ASCII letters and nothing else.
    auto upper = [](char c) { return c >= 'A' && c <= 'Z'; };
    if (std::none_of(utf8.cbegin(), utf8.cend(), upper))
        return utf8;
    QByteArray key(utf8.constData(), utf8.size());
    for (char& c : key)
        if (upper(c))
            c = char(c + 32);
    return key;
}

// Two texts compared cost about as many steps: the engine converts both to
// UTF-16 for each comparison.
constexpr int kCompareSteps = 16;

// The engine sorts (a chunk of rows, or all of them) within one step. Once a
// typed query's bound is spent the rest of such a sort compares lengths only,
// an order still, so that the step ends soon; the query is then stopped.
int collateJet(void* db, int na, const void* a, int nb, const void* b) {
    if (WorkWatch* w = watchOn(db); w && (w->cut || spend(*w, kCompareSteps))) {
        w->cut = true;
        return na == nb ? 0 : (na < nb ? -1 : 1);
    }
    return compareUnits(static_cast<const char16_t*>(a), na / 2, static_cast<const char16_t*>(b), nb / 2);
}

} // namespace platform::db
