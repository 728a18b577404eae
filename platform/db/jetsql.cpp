#include "platform/db/jetsql.h"

#include "platform/db/database.h"
#include "platform/db/db_error.h"
#include "platform/db/textorder.h"

#include <QDate>
#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <utility>
#include <sqlite3.h>
#include <vector>

namespace platform::db {

namespace {

// ---------------------------------------------------------------------------
// Tokens of an SQL text, as far as the translation needs them.

struct Token {
    enum Kind { Space, Text, Word, Open, Close, Comma, Amp, Other } kind;
    QString text;
};

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$' || c.unicode() >= 0x80; }

// "#2004-9-1#" or "#9/1/2004#" as the ISO text the database keeps dates in.
QString dateLiteral(const QString& inner) {
    const QString t = inner.trimmed();
    for (const char* f : {"yyyy-M-d", "yyyy/M/d", "M/d/yyyy"}) {
        const QDate d = QDate::fromString(t, QLatin1String(f));
        if (d.isValid())
            return QLatin1Char('\'') + d.toString(Qt::ISODate) + QLatin1Char('\'');
    }
    return {};
}

std::vector<Token> tokenize(const QString& s, bool* changed) {
    std::vector<Token> out;
    const qsizetype n = s.size();
    qsizetype i = 0;
    auto quoted = [&](QChar close) {
        const qsizetype start = i++;
        while (i < n) {
            if (s[i] == close) {
                if (close != u']' && i + 1 < n && s[i + 1] == close) {
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            ++i;
        }
        return s.mid(start, i - start);
    };
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            const qsizetype start = i;
            while (i < n && s[i].isSpace())
                ++i;
            out.push_back({Token::Space, s.mid(start, i - start)});
        } else if ((c == u'-' && i + 1 < n && s[i + 1] == u'-') || (c == u'/' && i + 1 < n && s[i + 1] == u'*')) {
            // A note is read by SQLite as blank: nothing in it is translated.
            const qsizetype start = i;
            if (c == u'-') {
                while (i < n && s[i] != u'\n')
                    ++i;
            } else {
                const qsizetype close = s.indexOf(QStringLiteral("*/"), i + 2);
                i = close < 0 ? n : close + 2;
            }
            out.push_back({Token::Space, s.mid(start, i - start)});
        } else if (c == u'\'') {
            out.push_back({Token::Text, quoted(u'\'')});
        } else if (c == u'"') {
            out.push_back({Token::Other, quoted(u'"')});
        } else if (c == u'[') {
            out.push_back({Token::Other, quoted(u']')});
        } else if (c == u'`') {
            out.push_back({Token::Other, quoted(u'`')});
        } else if (c == u'#') {
            const qsizetype end = s.indexOf(u'#', i + 1);
            const QString lit = end > i ? dateLiteral(s.mid(i + 1, end - i - 1)) : QString();
            if (lit.isEmpty()) {
                out.push_back({Token::Other, QString(c)});
                ++i;
            } else {
                out.push_back({Token::Text, lit});
                i = end + 1;
                *changed = true;
            }
        } else if (isWordChar(c)) {
            const qsizetype start = i;
            while (i < n && isWordChar(s[i])) {
                ++i;
                // The sign of a number's exponent (1e-5) is no minus.
                if (i + 1 < n && (s[i] == u'-' || s[i] == u'+') && s[i + 1].isDigit()
                    && (s[i - 1] == u'e' || s[i - 1] == u'E') && s[start].isDigit()
                    && !(i - start > 2 && s[start + 1].toLower() == u'x'))
                    ++i;
            }
            out.push_back({Token::Word, s.mid(start, i - start)});
        } else if (c == u'(') {
            out.push_back({Token::Open, QString(c)});
            ++i;
        } else if (c == u')') {
            out.push_back({Token::Close, QString(c)});
            ++i;
        } else if (c == u',') {
            out.push_back({Token::Comma, QString(c)});
            ++i;
        } else if (c == u'&') {
            out.push_back({Token::Amp, QString(c)});
            *changed = true;
            ++i;
        } else {
            const qsizetype start = i++;
            // Comparison operators stay whole: they end an "&" chain.
            if ((c == u'<' || c == u'>' || c == u'!') && i < n && (s[i] == u'=' || s[i] == u'>'))
                ++i;
            out.push_back({Token::Other, s.mid(start, i - start)});
        }
    }
    // Left( and Right( are join words to SQLite.
    for (size_t k = 0; k < out.size(); ++k) {
        if (out[k].kind != Token::Word)
            continue;
        size_t next = k + 1;
        while (next < out.size() && out[next].kind == Token::Space)
            ++next;
        if (next >= out.size() || out[next].kind != Token::Open)
            continue;
        const QString w = out[k].text.toLower();
        if (w == QLatin1String("left") || w == QLatin1String("right")) {
            out[k].text = QStringLiteral("jet_") + w;
            *changed = true;
        }
    }
    return out;
}

// Words and operators that bind weaker than "&" and so end its operands.
bool endsOperand(const Token& t) {
    if (t.kind == Token::Comma)
        return true;
    if (t.kind == Token::Other)
        return t.text == QLatin1String("=") || t.text == QLatin1String("<") || t.text == QLatin1String(">")
            || t.text == QLatin1String("<=") || t.text == QLatin1String(">=") || t.text == QLatin1String("<>")
            || t.text == QLatin1String("!=") || t.text == QLatin1String(";");
    if (t.kind != Token::Word)
        return false;
    static const QStringList words = {
        QStringLiteral("and"), QStringLiteral("or"), QStringLiteral("not"), QStringLiteral("xor"),
        QStringLiteral("like"), QStringLiteral("is"), QStringLiteral("between"), QStringLiteral("in"),
        QStringLiteral("as"), QStringLiteral("select"), QStringLiteral("distinct"), QStringLiteral("from"),
        QStringLiteral("where"), QStringLiteral("order"), QStringLiteral("group"), QStringLiteral("by"),
        QStringLiteral("having"), QStringLiteral("asc"), QStringLiteral("desc"), QStringLiteral("on"),
        QStringLiteral("join"), QStringLiteral("union"), QStringLiteral("set"), QStringLiteral("values"),
        QStringLiteral("into"), QStringLiteral("when"), QStringLiteral("then"), QStringLiteral("else"),
        QStringLiteral("end"), QStringLiteral("case"), QStringLiteral("limit"), QStringLiteral("offset"),
        QStringLiteral("intersect"), QStringLiteral("except")};
    return words.contains(t.text, Qt::CaseInsensitive);
}

// Deeper nesting than this is no SQL a person writes; SQLite refuses far less
// deep expressions anyway.
constexpr int kMaxNesting = 200;

// "name(a, b, c)", or folded to the left "name(name(a, b), c)"; the blanks
// around the whole stay outside the call.
QString callOf(QLatin1String name, const std::vector<QString>& args, bool folded) {
    if (args.size() == 1)
        return args.front();
    const QString& first = args.front();
    qsizetype lead = 0;
    while (lead < first.size() && first[lead].isSpace())
        ++lead;
    const QString& last = args.back();
    qsizetype trail = last.size();
    while (trail > 0 && last[trail - 1].isSpace())
        --trail;
    QString out = first.left(lead);
    const QString open = name + QLatin1Char('(');
    for (size_t i = 0; i < (folded ? args.size() - 1 : 1); ++i)
        out += open;
    for (size_t i = 0; i < args.size(); ++i) {
        if (i > 0)
            out += QStringLiteral(", ");
        out += args[i].trimmed();
        if (folded && i > 0)
            out += QLatin1Char(')');
    }
    if (!folded)
        out += QLatin1Char(')');
    return out + last.mid(trail);
}

// One operand of "&". In the typed dialect "\" (whole-number division) binds
// weaker than "*" and "/", Mod weaker still, "+" and "-" weakest; SQLite knows
// neither, so each becomes a call with its operands whole.
struct Arith {
    QString done;                           // whole terms and the operators after them
    std::vector<QString> mods{QString()};   // operands of Mod in the open term
    std::vector<QString> divs{QString()};   // operands of "\" in the open operand of Mod
    bool operand = false;                   // what came last ends an operand

    void add(const QString& text, bool endsAnOperand) {
        divs.back() += text;
        operand = endsAnOperand;
    }
    void blank(const QString& text) { divs.back() += text; }
    void closeDivs() {
        mods.back() = callOf(QLatin1String("jet_intdiv"), divs, true);
        divs.assign(1, QString());
    }
    void wholeDivision() {
        divs.emplace_back();
        operand = false;
    }
    void remainder() {
        closeDivs();
        mods.emplace_back();
        operand = false;
    }
    // "+", "-" or another operator weaker than Mod.
    void weaker(const QString& op) {
        closeDivs();
        done += callOf(QLatin1String("jet_mod"), mods, true) + op;
        mods.assign(1, QString());
        operand = false;
    }
    QString text() {
        weaker(QString());
        return done;
    }
};

// One bracket level being rendered: "a & b & c" becomes jet_concat(a, b, c).
bool isQuotedName(const Token& t) {
    return t.kind == Token::Other && (t.text.startsWith(u'"') || t.text.startsWith(u'[') || t.text.startsWith(u'`'));
}

bool endsAnOperand(const Token& t) {
    return t.kind == Token::Word || t.kind == Token::Text || t.kind == Token::Close || isQuotedName(t);
}

struct Level {
    QString out;
    std::vector<Arith> parts{Arith()};
    bool amp = false;
    // A select list of typed SQL. SQLite names a column by its text: an item
    // the translation changed is named as it was typed, unless it has a name.
    bool listing = false;
    size_t itemFrom = 0;              // the item's first token
    qsizetype itemOut = 0;            // where its translation starts in out
    const Token* last = nullptr;      // the item's last two tokens at this level
    const Token* beforeLast = nullptr;
    bool named = false;

    void flush() {
        std::vector<QString> texts;
        for (Arith& p : parts)
            texts.push_back(p.text());
        out += amp ? callOf(QLatin1String("jet_concat"), texts, false) : texts.front();
        parts.assign(1, Arith());
        amp = false;
    }
    void note(const Token& t) {
        beforeLast = last;
        last = &t;
    }
    void startItem(size_t from) {
        itemFrom = from;
        itemOut = out.size();
        last = beforeLast = nullptr;
        named = false;
    }
    // The item ends before token `end`; everything of it is flushed.
    void endItem(const std::vector<Token>& t, size_t end) {
        if (!listing)
            return;
        // "x AS name", or a bare name after an operand ("count(*) n")
        const bool bareName = last && beforeLast && endsAnOperand(*beforeLast)
            && (last->kind == Token::Text || isQuotedName(*last)
                || (last->kind == Token::Word && !last->text.front().isDigit() && !endsOperand(*last)));
        if (named || bareName)
            return;
        QString typed;
        for (size_t k = itemFrom; k < end; ++k)
            typed += t[k].kind == Token::Space ? QStringLiteral(" ") : t[k].text;
        typed = typed.simplified();
        const QString done = out.mid(itemOut);
        if (typed.isEmpty() || typed == done.simplified())
            return;
        qsizetype trail = done.size();
        while (trail > 0 && done[trail - 1].isSpace())
            --trail;
        out.insert(itemOut + trail, QStringLiteral(" AS ") + quoteName(typed));
    }
    // A word or mark that ends operands, after the flush.
    void clause(const std::vector<Token>& t, size_t k) {
        const Token& tok = t[k];
        const bool comma = tok.kind == Token::Comma;
        static const QStringList listEnds = {
            QStringLiteral("from"), QStringLiteral("where"), QStringLiteral("group"), QStringLiteral("order"),
            QStringLiteral("having"), QStringLiteral("union"), QStringLiteral("intersect"), QStringLiteral("except"),
            QStringLiteral("limit"), QStringLiteral("into")};
        const bool ends = tok.kind == Token::Word && listEnds.contains(tok.text, Qt::CaseInsensitive);
        if (comma || ends)
            endItem(t, k);
        if (ends)
            listing = false;
        out += tok.text;
        if (tok.kind == Token::Word && tok.text.compare(QLatin1String("select"), Qt::CaseInsensitive) == 0) {
            listing = true;
            startItem(k + 1);
        } else if (listing && comma) {
            startItem(k + 1);
        } else if (listing && !last && tok.text.compare(QLatin1String("distinct"), Qt::CaseInsensitive) == 0) {
            startItem(k + 1);
        } else if (listing) {
            named = named || tok.text.compare(QLatin1String("as"), Qt::CaseInsensitive) == 0;
            note(tok);
        }
    }
};

bool startsOperand(const Token& t) {
    switch (t.kind) {
    case Token::Word: return !endsOperand(t);
    case Token::Text:
    case Token::Open: return true;
    case Token::Other:
        return isQuotedName(t) || t.text == QLatin1String("+") || t.text == QLatin1String("-")
            || t.text == QLatin1String("~");
    default: return false;
    }
}

// One pass with a stack of open brackets: time and stack stay linear in the text
// (the nesting is bounded before). `typed`: the arithmetic of the old dialect too.
QString render(const std::vector<Token>& t, bool typed) {
    std::vector<Level> levels(1);
    auto nextSignificant = [&](size_t k) -> const Token* {
        while (++k < t.size())
            if (t[k].kind != Token::Space)
                return &t[k];
        return nullptr;
    };
    for (size_t k = 0; k < t.size(); ++k) {
        const Token& tok = t[k];
        Level& cur = levels.back();
        Arith& part = cur.parts.back();
        if (tok.kind == Token::Open) {
            levels.emplace_back();
        } else if (tok.kind == Token::Close && levels.size() > 1) {
            cur.flush();
            cur.endItem(t, k);
            const QString inner = QLatin1Char('(') + cur.out + QLatin1Char(')');
            levels.pop_back();
            levels.back().parts.back().add(inner, true);
            levels.back().note(tok);
            continue;
        } else if (tok.kind == Token::Amp) {
            cur.parts.emplace_back();
            cur.amp = true;
        } else if (endsOperand(tok)) {
            cur.flush();
            if (typed)
                cur.clause(t, k);
            else
                cur.out += tok.text;
            continue;
        } else if (tok.kind == Token::Space) {
            part.blank(tok.text);
        } else if (!typed) {
            part.add(tok.text, tok.kind != Token::Other || isQuotedName(tok));
        } else if (tok.kind == Token::Word || tok.kind == Token::Text || isQuotedName(tok)) {
            const Token* next = nextSignificant(k);
            if (part.operand && tok.text.compare(QLatin1String("mod"), Qt::CaseInsensitive) == 0 && next
                && startsOperand(*next)) {
                part.remainder();
            } else {
                // After an operand: a name given to it ("x \ 2 n"), or a word
                // that binds weaker (Glob, Collate ...).
                if (part.operand)
                    part.weaker(QString());
                part.add(tok.text, true);
            }
        } else if (tok.text == QLatin1String("\\") && part.operand) {
            part.wholeDivision();
        } else if (tok.text == QLatin1String("/")) {
            // Division of real numbers, as the old engine divides; SQLite would
            // cut 1/3 to 0. By zero it stays Null.
            part.add(QStringLiteral("*1.0/"), false);
        } else if (part.operand
                   && (tok.text == QLatin1String("+") || tok.text == QLatin1String("-")
                       // "|" but not "||", which binds tighter than "*"
                       || (tok.text == QLatin1String("|") && !(k + 1 < t.size() && t[k + 1].text == QLatin1String("|"))
                           && !(k > 0 && t[k - 1].text == QLatin1String("|"))))) {
            part.weaker(tok.text);
        } else {
            part.add(tok.text, isQuotedName(tok));
        }
        if (tok.kind != Token::Space && tok.kind != Token::Open)
            cur.note(tok);
    }
    // Brackets left open are closed by nothing, as written.
    while (levels.size() > 1) {
        levels.back().flush();
        levels.back().endItem(t, t.size());
        const QString inner = QLatin1Char('(') + levels.back().out;
        levels.pop_back();
        levels.back().parts.back().add(inner, true);
    }
    levels.back().flush();
    levels.back().endItem(t, t.size());
    return levels.back().out;
}

// ---------------------------------------------------------------------------
// Like

bool sameChar(char16_t a, char16_t b) { return a == b || textWeight(a) == textWeight(b); }

// One "[...]" set at pattern[p] (just after "["); returns the index after "]" or -1.
qsizetype matchSet(const QString& pattern, qsizetype p, char16_t c, bool* hit) {
    const qsizetype n = pattern.size();
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
    if (p >= n)
        return -1;
    *hit = found != negate;
    return p + 1;
}

// Whether the one-character element of the pattern at p matches c; returns the
// place after the element, or -1.
qsizetype matchOne(const QString& pattern, qsizetype p, char16_t c, QChar escape) {
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
        const qsizetype after = matchSet(pattern, p + 1, c, &hit);
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

// The watch of the typed query running in this thread, if any.
thread_local WorkWatch* watched = nullptr;

// Tells the watch of `steps` more steps of work; whether the query is to stop.
bool spend(WorkWatch& w, int steps) {
    w.untold += steps;
    if (w.untold < w.every)
        return false;
    w.untold = 0;
    return w.progress(w.arg) != 0;
}

// Every other element matches one character, so going back to the last star
// is enough: time is at most text times pattern, whatever the stars. That is
// still long for long texts, so a watch, when given, is told of the work;
// nothing when it stops the match.
std::optional<bool> likeFrom(const QString& text, const QString& pattern, QChar escape,
                             WorkWatch* watch = nullptr) {
    const qsizetype tn = text.size(), pn = pattern.size();
    qsizetype t = 0, p = 0;
    qsizetype starP = -1, starT = -1;
    while (t < tn) {
        if (watch && spend(*watch, 1))
            return std::nullopt;
        if (p < pn && isStar(pattern, p, escape)) {
            while (p < pn && isStar(pattern, p, escape))
                ++p;
            starP = p;
            starT = t;
            continue;
        }
        if (p < pn) {
            const qsizetype next = matchOne(pattern, p, text[t].unicode(), escape);
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
    while (p < pn && isStar(pattern, p, escape))
        ++p;
    return p == pn;
}

// ---------------------------------------------------------------------------
// The text order

// Two texts compared cost about as many steps: the engine converts both to
// UTF-16 for each comparison.
constexpr int kCompareSteps = 16;

// The engine sorts (a chunk of rows, or all of them) within one step. Once a
// typed query's bound is spent the rest of such a sort compares lengths only,
// an order still, so that the step ends soon; the query is then stopped.
int collateJet(void* db, int na, const void* a, int nb, const void* b) {
    if (WorkWatch* w = watched; w && w->db == db && (w->cut || spend(*w, kCompareSteps))) {
        w->cut = true;
        return na == nb ? 0 : (na < nb ? -1 : 1);
    }
    return compareUnits(static_cast<const char16_t*>(a), na / 2, static_cast<const char16_t*>(b), nb / 2);
}

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
    WorkWatch* watch = watched && watched->db == sqlite3_context_db_handle(ctx) ? watched : nullptr;
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

// InStr(start, text, sought): 1-based place of sought from start on, 0 when absent.
void instrFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    const qint64 start = sqlite3_value_int64(argv[0]);
    if (start < 1) {
        sqlite3_result_error(ctx, "InStr: start must be 1 or more", -1);
        return;
    }
    const qsizetype at = valueText(argv[1]).indexOf(valueText(argv[2]), start - 1);
    sqlite3_result_int64(ctx, at < 0 ? 0 : at + 1);
}

} // namespace

namespace {

QString translate(const QString& jetSql, bool typed) {
    QString text = jetSql;
    // A trailing ";" would make a single-table select look like something else.
    qsizetype end = text.size();
    while (end > 0 && (text[end - 1].isSpace() || text[end - 1] == u';'))
        --end;
    bool changed = end != text.size();
    text.truncate(end);
    const std::vector<Token> tokens = tokenize(text, &changed);
    int depth = 0;
    for (const Token& t : tokens) {
        if (t.kind == Token::Open && ++depth > kMaxNesting)
            throw DbError(DbError::BadSql, QStringLiteral("SQL 语句有错: 括号嵌套太深."));
        if (t.kind == Token::Close && depth > 0)
            --depth;
    }
    if (typed)
        for (const Token& t : tokens)
            if (t.text == QLatin1String("/") || t.text == QLatin1String("\\")
                || (t.kind == Token::Word && t.text.compare(QLatin1String("mod"), Qt::CaseInsensitive) == 0))
                changed = true;
    if (!changed)
        return text;
    return render(tokens, typed);
}

} // namespace

QString toSqliteSql(const QString& jetSql) { return translate(jetSql, false); }

QString typedToSqliteSql(const QString& jetSql) { return translate(jetSql, true); }

bool jetLike(const QString& text, const QString& pattern) { return *likeFrom(text, pattern, QChar()); }

WorkWatch* watchJetWork(WorkWatch* watch) { return std::exchange(watched, watch); }

void registerJetFunctions(sqlite3* db) {
    struct Fn {
        const char* name;
        int args;
        void (*fn)(sqlite3_context*, int, sqlite3_value**);
    };
    const Fn fns[] = {
        {"jet_concat", -1, concatFn}, {"like", 2, likeFn}, {"like", 3, likeFn},
        {"val", 1, valFn}, {"mid", 2, midFn}, {"mid", 3, midFn},
        {"jet_left", 2, sideFn<true>}, {"jet_right", 2, sideFn<false>}, {"len", 1, lenFn},
        {"ucase", 1, caseFn<true>}, {"lcase", 1, caseFn<false>}, {"nz", 1, nzFn}, {"nz", 2, nzFn},
        {"int", 1, wholeFn<true>}, {"fix", 1, wholeFn<false>}, {"cstr", 1, cstrFn}, {"str", 1, strFn},
        {"cint", 1, cwholeFn<-32768, 32767>}, {"clng", 1, cwholeFn<-2147483648LL, 2147483647LL>},
        {"csng", 1, crealFn<true>}, {"cdbl", 1, crealFn<false>}, {"space", 1, spaceFn},
        {"instr", 3, instrFn}, {"jet_intdiv", 2, wholeDivisionFn<false>}, {"jet_mod", 2, wholeDivisionFn<true>},
    };
    for (const Fn& f : fns)
        sqlite3_create_function_v2(db, f.name, f.args, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, f.fn,
                                   nullptr, nullptr, nullptr);
    sqlite3_create_collation_v2(db, "JET", SQLITE_UTF16_ALIGNED, db, collateJet, nullptr);
}

} // namespace platform::db
