// The old engine's functions and its Like, as the engine's functions. While a
// typed query runs they tell its watch of their work.
#include "platform/db/jet_work.h"

#include "platform/db/textorder.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>
#include <sqlite3.h>

namespace platform::db {

namespace {
// The watch of the typed query running in this thread, if any.
thread_local WorkWatch* watched = nullptr;
} // namespace

WorkWatch* watchOn(const void* db) { return watched && watched->db == db ? watched : nullptr; }

bool spend(WorkWatch& w, qint64 steps) {
    w.untold += steps;
    while (w.untold >= w.every) {
        w.untold -= w.every;
        if (w.progress(w.arg) != 0)
            return true;
    }
    return false;
}

namespace {

// ---------------------------------------------------------------------------
// Like

bool sameChar(char16_t a, char16_t b) { return a == b || textWeight(a) == textWeight(b); }

// One "[...]" set at pattern[p] (just after "["); returns the index after "]" or -1.
// The set's characters looked at are added to `work`: a set may be long.
qsizetype matchSet(const QString& pattern, qsizetype p, char16_t c, bool* hit, qint64* work) {
    const qsizetype n = pattern.size();
    const qsizetype from = p;
    bool negate = false;
    if (p < n && pattern[p] == u'!') {
        negate = true;
        ++p;
    }
    bool found = false;
    bool first = true;
    while (p < n && (pattern[p] != u']' || first)) {
        first = false;
        const char16_t lo = pattern[p].unicode();
        if (p + 2 < n && pattern[p + 1] == u'-' && pattern[p + 2] != u']') {
            const char16_t hi = pattern[p + 2].unicode();
            const uint32_t w = textWeight(c);
            if (w >= textWeight(lo) && w <= textWeight(hi))
                found = true;
            p += 3;
        } else {
            if (sameChar(lo, c))
                found = true;
            ++p;
        }
    }
    *work += p - from;
    if (p >= n)
        return -1;
    *hit = found != negate;
    return p + 1;
}

// Whether the one-character element of the pattern at p matches c; returns the
// place after the element, or -1.
qsizetype matchOne(const QString& pattern, qsizetype p, char16_t c, QChar escape, qint64* work) {
    const qsizetype pn = pattern.size();
    const QChar pc = pattern[p];
    if (!escape.isNull() && pc == escape && p + 1 < pn)
        return sameChar(pattern[p + 1].unicode(), c) ? p + 2 : -1;
    if (pc == u'?' || pc == u'_')
        return p + 1;
    if (pc == u'#')
        return c >= u'0' && c <= u'9' ? p + 1 : -1;
    if (pc == u'[') {
        bool hit = false;
        const qsizetype after = matchSet(pattern, p + 1, c, &hit, work);
        if (after < 0)              // no closing bracket: a plain "["
            return c == u'[' ? p + 1 : -1;
        return hit ? after : -1;
    }
    return sameChar(pc.unicode(), c) ? p + 1 : -1;
}

bool isStar(const QString& pattern, qsizetype p, QChar escape) {
    const QChar pc = pattern[p];
    return (pc == u'*' || pc == u'%') && (escape.isNull() || pc != escape);
}

// Every other element matches one character, so going back to the last star
// is enough: time is at most text times pattern, whatever the stars. That is
// still long for long texts, so a watch, when given, is told of the work (a
// character compared, and each character of a set looked at); nothing when
// it stops the match. `starAt(p)` tells a star of the pattern, `oneAt(p, t,
// &work)` matches the element at p with character t as matchOne does.
template <class StarAt, class OneAt>
std::optional<bool> starMatch(qsizetype tn, qsizetype pn, WorkWatch* watch, StarAt starAt, OneAt oneAt) {
    qsizetype t = 0, p = 0;
    qsizetype starP = -1, starT = -1;
    qint64 work = 1;
    while (t < tn) {
        if (watch && spend(*watch, std::exchange(work, 1)))
            return std::nullopt;
        if (p < pn && starAt(p)) {
            while (p < pn && starAt(p))
                ++p;
            starP = p;
            starT = t;
            continue;
        }
        if (p < pn) {
            const qsizetype next = oneAt(p, t, &work);
            if (next >= 0) {
                p = next;
                ++t;
                continue;
            }
        }
        if (starP < 0)
            return false;
        p = starP;
        t = ++starT;
    }
    while (p < pn && starAt(p))
        ++p;
    return p == pn;
}

std::optional<bool> likeFrom(const QString& text, const QString& pattern, QChar escape,
                             WorkWatch* watch = nullptr) {
    return starMatch(
        text.size(), pattern.size(), watch, [&](qsizetype p) { return isStar(pattern, p, escape); },
        [&](qsizetype p, qsizetype t, qint64* work) { return matchOne(pattern, p, text[t].unicode(), escape, work); });
}

// ---------------------------------------------------------------------------
// Glob, as the engine's own (case and characters as they are, "[^...]" for
// none of a set, a set left open matching nothing), counting its work as Like.

qsizetype globOne(const std::vector<char32_t>& pattern, qsizetype p, char32_t c, qint64* work) {
    const qsizetype n = qsizetype(pattern.size());
    if (pattern[p] == U'?')
        return p + 1;
    if (pattern[p] != U'[')
        return pattern[p] == c ? p + 1 : -1;
    qsizetype q = p + 1;
    bool invert = false, seen = false;
    if (q < n && pattern[q] == U'^') {
        invert = true;
        ++q;
    }
    if (q < n && pattern[q] == U']') {
        seen = c == U']';
        ++q;
    }
    char32_t prior = 0;
    while (q < n && pattern[q] != U']') {
        if (pattern[q] == U'-' && q + 1 < n && pattern[q + 1] != U']' && prior > 0) {
            seen = seen || (c >= prior && c <= pattern[q + 1]);
            prior = 0;
            q += 2;
        } else {
            seen = seen || c == pattern[q];
            prior = pattern[q++];
        }
    }
    *work += q - p;
    return q < n && seen != invert ? q + 1 : -1;
}

std::optional<bool> globFrom(const std::vector<char32_t>& text, const std::vector<char32_t>& pattern,
                             WorkWatch* watch) {
    return starMatch(
        qsizetype(text.size()), qsizetype(pattern.size()), watch, [&](qsizetype p) { return pattern[p] == U'*'; },
        [&](qsizetype p, qsizetype t, qint64* work) { return globOne(pattern, p, text[t], work); });
}

// ---------------------------------------------------------------------------
// Searching

// Knuth, Morris and Pratt's search: time linear in the text and the sought,
// where comparing at each place would take text times sought. Its work is
// told by the caller, at most the two lengths.
template <typename Unit>
class Search {
public:
    Search(const Unit* sought, qsizetype m) : sought_(sought), m_(m), border_(size_t(m), 0) {
        // border_[i]: the longest proper border of the sought's first i + 1 units.
        for (qsizetype i = 1, k = 0; i < m; ++i) {
            while (k > 0 && sought[i] != sought[k])
                k = border_[size_t(k - 1)];
            if (sought[i] == sought[k])
                ++k;
            border_[size_t(i)] = int(k);
        }
    }
    // The first place of the sought in `text` at or after `from`, or -1.
    qsizetype in(const Unit* text, qsizetype n, qsizetype from) const {
        if (m_ == 0)
            return from <= n ? from : -1;
        for (qsizetype i = from, k = 0; i < n; ++i) {
            while (k > 0 && text[i] != sought_[k])
                k = border_[size_t(k - 1)];
            if (text[i] == sought_[k] && ++k == m_)
                return i - m_ + 1;
        }
        return -1;
    }

private:
    const Unit* sought_;
    qsizetype m_;
    std::vector<int> border_;   // lengths within the engine's length limit
};

// ---------------------------------------------------------------------------
// Functions

QString argText(sqlite3_value* v) {
    return QString::fromUtf16(static_cast<const char16_t*>(sqlite3_value_text16(v)),
                              sqlite3_value_bytes16(v) / 2);
}

void resultText(sqlite3_context* ctx, const QString& s) {
    sqlite3_result_text16(ctx, s.utf16(), int(s.size() * 2), SQLITE_TRANSIENT);
}

// A number as the engine writes it: a Single without the noise of its double form.
QString numberText(double d) {
    if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 1e15)
        return QString::number(qint64(d));
    char buf[64];
    const float f = float(d);
    std::to_chars_result r = double(f) == d
        ? std::to_chars(buf, buf + sizeof buf, f, std::chars_format::general)
        : std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general);
    return QString::fromLatin1(buf, r.ptr - buf);
}

QString valueText(sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return QString::number(sqlite3_value_int64(v));
    case SQLITE_FLOAT: return numberText(sqlite3_value_double(v));
    case SQLITE_NULL: return {};
    default: return argText(v);
    }
}

bool anyNull(int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return true;
    return false;
}

void concatFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    QString s;
    bool any = false;
    // Each part is within the length limit, their sum need not be.
    const int limit = sqlite3_limit(sqlite3_context_db_handle(ctx), SQLITE_LIMIT_LENGTH, -1);
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            continue;
        any = true;
        s += valueText(argv[i]);
        if (s.size() > limit) {
            sqlite3_result_error_toobig(ctx);
            return;
        }
    }
    if (any)
        resultText(ctx, s);
    else
        sqlite3_result_null(ctx);
}

void likeFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    QChar escape;
    if (argc == 3) {
        const QString e = argText(argv[2]);
        if (e.size() != 1) {
            sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = e[0];
    }
    WorkWatch* watch = watchOn(sqlite3_context_db_handle(ctx));
    const std::optional<bool> hit = likeFrom(valueText(argv[1]), argText(argv[0]), escape, watch);
    if (!hit)
        sqlite3_result_error_code(ctx, SQLITE_INTERRUPT);   // as the progress handler stops a query
    else
        sqlite3_result_int(ctx, *hit ? 1 : 0);
}

// Val: the number at the start of a text, blanks anywhere ignored; 0 when there is none.
void valFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString t = valueText(argv[0]);
    QString digits;
    bool dot = false, exp = false;
    for (QChar c : t) {
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r')
            continue;
        if (c.isDigit() && c.unicode() < 0x80) {
            digits += c;
        } else if ((c == u'-' || c == u'+') && (digits.isEmpty() || digits.back() == u'e')) {
            digits += c;
        } else if (c == u'.' && !dot && !exp) {
            dot = true;
            digits += c;
        } else if ((c == u'e' || c == u'E') && !exp && !digits.isEmpty() && digits.back().isDigit()) {
            exp = true;
            digits += u'e';
        } else {
            break;
        }
    }
    while (!digits.isEmpty() && !digits.back().isDigit() && digits.back() != u'.')
        digits.chop(1);
    bool ok = false;
    const double d = digits.toDouble(&ok);
    sqlite3_result_double(ctx, ok ? d : 0.0);
}

void midFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString s = valueText(argv[0]);
    const qint64 start = sqlite3_value_int64(argv[1]);
    if (start < 1) {
        sqlite3_result_error(ctx, "Mid: start must be 1 or more", -1);
        return;
    }
    const qint64 len = argc > 2 ? sqlite3_value_int64(argv[2]) : s.size();
    resultText(ctx, len < 0 ? QString() : s.mid(start - 1, len));
}

template <bool fromLeft>
void sideFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString s = valueText(argv[0]);
    const qint64 n = std::max<qint64>(0, sqlite3_value_int64(argv[1]));
    resultText(ctx, fromLeft ? s.left(n) : s.right(n));
}

void lenFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        sqlite3_result_null(ctx);
    else
        sqlite3_result_int64(ctx, valueText(argv[0]).size());
}

template <bool upper>
void caseFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        sqlite3_result_null(ctx);
    else
        resultText(ctx, upper ? valueText(argv[0]).toUpper() : valueText(argv[0]).toLower());
}

void nzFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) != SQLITE_NULL)
        sqlite3_result_value(ctx, argv[0]);
    else if (argc > 1)
        sqlite3_result_value(ctx, argv[1]);
    else
        resultText(ctx, QString());
}

// Int rounds down, Fix toward zero.
template <bool down>
void wholeFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const double d = sqlite3_value_double(argv[0]);
    sqlite3_result_double(ctx, down ? std::floor(d) : std::trunc(d));
}

void cstrFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        sqlite3_result_error(ctx, "Invalid use of Null", -1);
    else
        resultText(ctx, valueText(argv[0]));
}

// Str: a number with the place of its sign, a blank when it is not negative.
void strFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const double d = sqlite3_value_double(argv[0]);
    const QString t = numberText(d);
    resultText(ctx, d < 0 ? t : QLatin1Char(' ') + t);
}

std::optional<double> numberArg(sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: return sqlite3_value_double(v);
    case SQLITE_NULL: return std::nullopt;
    default: {
        bool ok = false;
        const double d = valueText(v).trimmed().toDouble(&ok);
        return ok ? std::optional(d) : std::nullopt;
    }
    }
}

// CInt / CLng: to the nearest whole number, halves to even, within the type's range.
template <qint64 lo, qint64 hi>
void cwholeFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const auto d = numberArg(argv[0]);
    if (!d) {
        sqlite3_result_error(ctx, "Type mismatch", -1);
        return;
    }
    const double r = std::nearbyint(*d);
    if (r < double(lo) || r > double(hi)) {
        sqlite3_result_error(ctx, "Overflow", -1);
        return;
    }
    sqlite3_result_int64(ctx, qint64(r));
}

template <bool single>
void crealFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const auto d = numberArg(argv[0]);
    if (!d) {
        sqlite3_result_error(ctx, "Type mismatch", -1);
        return;
    }
    sqlite3_result_double(ctx, single ? double(float(*d)) : *d);
}

// "\" and Mod: both operands rounded to whole numbers first (halves to even),
// the quotient cut toward zero, the remainder with the dividend's sign. A zero
// divisor gives Null, as "/" does here, rather than ending the whole query.
template <bool remainder>
void wholeDivisionFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto a = numberArg(argv[0]), b = numberArg(argv[1]);
    if (!a || !b) {
        sqlite3_result_error(ctx, "Type mismatch", -1);
        return;
    }
    const double x = std::nearbyint(*a), y = std::nearbyint(*b);
    // Within the range of a 64-bit whole number, its most negative value aside.
    if (!(std::fabs(x) < 9.2e18) || !(std::fabs(y) < 9.2e18)) {
        sqlite3_result_error(ctx, "Overflow", -1);
        return;
    }
    const qint64 n = qint64(x), d = qint64(y);
    if (d == 0)
        sqlite3_result_null(ctx);
    else
        sqlite3_result_int64(ctx, remainder ? n % d : n / d);
}

void spaceFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    resultText(ctx, QString(std::clamp<qint64>(sqlite3_value_int64(argv[0]), 0, 65535), u' '));
}

// InStr([start, ]text, sought): 1-based place of sought from start on, 0 when absent.
void instrFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    const qint64 start = argc == 3 ? sqlite3_value_int64(argv[0]) : 1;
    if (start < 1) {
        sqlite3_result_error(ctx, "InStr: start must be 1 or more", -1);
        return;
    }
    const QString text = valueText(argv[argc - 2]), sought = valueText(argv[argc - 1]);
    if (WorkWatch* w = watchOn(sqlite3_context_db_handle(ctx)); w && spend(*w, text.size() + sought.size())) {
        sqlite3_result_error_code(ctx, SQLITE_INTERRUPT);
        return;
    }
    const qsizetype from = qsizetype(std::min<qint64>(start - 1, text.size() + 1));
    const qsizetype at = Search(sought.utf16(), sought.size()).in(text.utf16(), text.size(), from);
    sqlite3_result_int64(ctx, at < 0 ? 0 : at + 1);
}

// The engine's replace(text, sought, by), its bytes and results, with a search
// that stays linear.
void replaceFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const auto* sought = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    if (!text || !sought)
        return;                 // Null
    if (!*sought) {
        sqlite3_result_value(ctx, argv[0]);
        return;
    }
    const auto* by = reinterpret_cast<const char*>(sqlite3_value_text(argv[2]));
    if (!by)
        return;
    const qsizetype n = sqlite3_value_bytes(argv[0]), m = sqlite3_value_bytes(argv[1]),
                    r = sqlite3_value_bytes(argv[2]);
    sqlite3* db = sqlite3_context_db_handle(ctx);
    if (WorkWatch* w = watchOn(db); w && spend(*w, n + m)) {
        sqlite3_result_error_code(ctx, SQLITE_INTERRUPT);
        return;
    }
    const qint64 limit = sqlite3_limit(db, SQLITE_LIMIT_LENGTH, -1);
    const Search search(sought, m);
    QByteArray out;
    for (qsizetype i = 0;;) {
        const qsizetype at = search.in(text, n, i);
        const qsizetype end = at < 0 ? n : at;
        if (out.size() + (end - i) + (at < 0 ? 0 : r) > limit) {
            sqlite3_result_error_toobig(ctx);
            return;
        }
        out.append(text + i, end - i);
        if (at < 0)
            break;
        out.append(by, r);
        i = end + m;
    }
    sqlite3_result_text(ctx, out.constData(), int(out.size()), SQLITE_TRANSIENT);
}

// The characters of an engine text (not Null), to the first Nul when `toNul`.
std::vector<char32_t> characters(sqlite3_value* v, bool toNul) {
    const auto* utf8 = reinterpret_cast<const char*>(sqlite3_value_text(v));
    const qsizetype n = toNul ? qsizetype(std::strlen(utf8)) : sqlite3_value_bytes(v);
    std::vector<char32_t> out;
    for (char32_t c : QString::fromUtf8(utf8, n).toUcs4())
        out.push_back(c);
    return out;
}

// The engine's glob(pattern, text).
void globFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (!sqlite3_value_text(argv[0]) || !sqlite3_value_text(argv[1]))
        return;
    sqlite3* db = sqlite3_context_db_handle(ctx);
    if (sqlite3_value_bytes(argv[0]) > sqlite3_limit(db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1)) {
        sqlite3_result_error(ctx, "LIKE or GLOB pattern too complex", -1);
        return;
    }
    const std::optional<bool> hit = globFrom(characters(argv[1], true), characters(argv[0], true), watchOn(db));
    if (!hit)
        sqlite3_result_error_code(ctx, SQLITE_INTERRUPT);
    else
        sqlite3_result_int(ctx, *hit ? 1 : 0);
}

// The engine's trim, ltrim and rtrim with a set of characters to cut (1 from
// the start, 2 from the end), each character looked up once.
template <int sides>
void trimFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || !sqlite3_value_text(argv[1]))
        return;
    const auto* in = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    if (!in)
        return;
    const qsizetype n = sqlite3_value_bytes(argv[0]);
    const std::vector<char32_t> chars = characters(argv[0], false);
    std::vector<char32_t> cut = characters(argv[1], false);
    std::sort(cut.begin(), cut.end());
    auto isCut = [&](char32_t c) { return std::binary_search(cut.begin(), cut.end(), c); };
    auto bytesOf = [](char32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; };
    qsizetype from = 0, to = n;
    size_t first = 0, last = chars.size();
    if (!cut.empty()) {
        while ((sides & 1) && first < last && isCut(chars[first]))
            from += bytesOf(chars[first++]);
        while ((sides & 2) && last > first && isCut(chars[last - 1]))
            to -= bytesOf(chars[--last]);
    }
    // A text that is no UTF-8 is cut where its characters' lengths say.
    from = std::min(from, n);
    to = std::clamp(to, from, n);
    sqlite3_result_text(ctx, in + from, int(to - from), SQLITE_TRANSIENT);
}

} // namespace

bool jetLike(const QString& text, const QString& pattern) { return *likeFrom(text, pattern, QChar()); }

WorkWatch* watchJetWork(WorkWatch* watch) { return std::exchange(watched, watch); }

namespace {

// The engine's own functions a typed query may call: those of the old dialect
// and the like, each doing work within the engine's length limit per call (a
// long search or match is one of ours). Any other (json_..., sqlite_...) the
// typed dialect has not.
const char* const kEngineFunctions[] = {
    "abs", "avg", "char", "coalesce", "count", "date", "datetime", "group_concat", "hex", "ifnull",
    "iif", "julianday", "length", "likelihood", "likely", "lower", "max", "min", "nullif", "quote",
    "random", "randomblob", "round", "sign", "strftime", "substr", "substring", "sum", "time", "total",
    "typeof", "unicode", "unlikely", "upper", "zeroblob",
    // Numbers
    "acos", "acosh", "asin", "asinh", "atan", "atan2", "atanh", "ceil", "ceiling", "cos", "cosh",
    "degrees", "exp", "floor", "ln", "log", "log10", "log2", "mod", "pi", "pow", "power", "radians",
    "sin", "sinh", "sqrt", "tan", "tanh", "trunc",
    // Over a window of rows
    "row_number", "rank", "dense_rank", "percent_rank", "cume_dist", "ntile", "lag", "lead",
    "first_value", "last_value", "nth_value"};

struct OwnFunction {
    const char* name;
    int args;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
};

// Our own: the old engine's, and the engine's whose work one call could make long.
const OwnFunction kOwnFunctions[] = {
    {"jet_concat", -1, counted<concatFn>}, {"like", 2, counted<likeFn>}, {"like", 3, counted<likeFn>},
    {"val", 1, counted<valFn>}, {"mid", 2, counted<midFn>}, {"mid", 3, counted<midFn>},
    {"jet_left", 2, counted<sideFn<true>>}, {"jet_right", 2, counted<sideFn<false>>}, {"len", 1, counted<lenFn>},
    {"ucase", 1, counted<caseFn<true>>}, {"lcase", 1, counted<caseFn<false>>}, {"nz", 1, counted<nzFn>}, {"nz", 2, counted<nzFn>},
    {"int", 1, counted<wholeFn<true>>}, {"fix", 1, counted<wholeFn<false>>}, {"cstr", 1, counted<cstrFn>}, {"str", 1, counted<strFn>},
    {"cint", 1, counted<cwholeFn<-32768, 32767>>}, {"clng", 1, counted<cwholeFn<-2147483648LL, 2147483647LL>>},
    {"csng", 1, counted<crealFn<true>>}, {"cdbl", 1, counted<crealFn<false>>}, {"space", 1, counted<spaceFn>},
    {"instr", 2, counted<instrFn>}, {"instr", 3, counted<instrFn>},
    {"jet_intdiv", 2, counted<wholeDivisionFn<false>>}, {"jet_mod", 2, counted<wholeDivisionFn<true>>},
    {"replace", 3, counted<replaceFn>}, {"glob", 2, counted<globFn>},
    // With one argument the engine's own, which cut blanks only.
    {"trim", 2, counted<trimFn<3>>}, {"ltrim", 2, counted<trimFn<1>>}, {"rtrim", 2, counted<trimFn<2>>},
};

// Ours registered by the connection's opening: the engine's printf and format
// within the length limit, and the rounding the field rules use.
const char* const kLayerFunctions[] = {"printf", "format", "msys_single"};

bool inTypedDialect(const char* name) {
    auto same = [name](const char* n) { return qstricmp(n, name) == 0; };
    return std::any_of(std::begin(kEngineFunctions), std::end(kEngineFunctions), same)
        || std::any_of(std::begin(kOwnFunctions), std::end(kOwnFunctions),
                       [&](const OwnFunction& f) { return same(f.name); })
        || std::any_of(std::begin(kLayerFunctions), std::end(kLayerFunctions), same);
}

// While a typed query is prepared on the connection `db`, a function not in its
// dialect is refused as the engine refuses an unknown one.
int authorize(void* db, int action, const char*, const char* function, const char*, const char*) {
    if (action == SQLITE_FUNCTION && watchOn(db) && !inTypedDialect(function))
        return SQLITE_DENY;
    return SQLITE_OK;
}

} // namespace

bool tellWork(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    WorkWatch* w = watchOn(sqlite3_context_db_handle(ctx));
    if (!w)
        return true;
    qint64 steps = 1;
    for (int i = 0; i < argc; ++i) {
        const int type = sqlite3_value_type(argv[i]);
        if (type == SQLITE_TEXT || type == SQLITE_BLOB)
            steps += sqlite3_value_bytes(argv[i]);
    }
    if (!spend(*w, steps))
        return true;
    sqlite3_result_error_code(ctx, SQLITE_INTERRUPT);   // as the progress handler stops a query
    return false;
}

QStringList typedSqlFunctions() {
    QStringList names;
    for (const char* n : kEngineFunctions)
        names << QString::fromLatin1(n);
    for (const OwnFunction& f : kOwnFunctions)
        names << QString::fromLatin1(f.name);
    for (const char* n : kLayerFunctions)
        names << QString::fromLatin1(n);
    names.removeDuplicates();
    return names;
}

void registerJetFunctions(sqlite3* db) {
    for (const OwnFunction& f : kOwnFunctions)
        sqlite3_create_function_v2(db, f.name, f.args, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, f.fn,
                                   nullptr, nullptr, nullptr);
    sqlite3_create_collation_v2(db, "JET", SQLITE_UTF16_ALIGNED, db, collateJet, nullptr);
    sqlite3_set_authorizer(db, authorize, db);
}

} // namespace platform::db
