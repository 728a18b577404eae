#include "platform/db/jetsql.h"

#include "platform/db/database.h"
#include "platform/db/db_error.h"

#include <QDate>
#include <QStringList>

#include <vector>

namespace platform::db {

namespace {

// ---------------------------------------------------------------------------
// Tokens of an SQL text, as far as the translation needs them.

struct Token {
    enum Kind { Space, Note, Text, Word, Open, Close, Comma, Amp, Other } kind;
    QString text;
    QString typed = {};     // as typed, where the translation renamed it
};

// White space and notes ("-- ..." to the line's end, "/* ... */"): SQLite reads
// both as blank, and so does the translation.
bool isBlank(const Token& t) { return t.kind == Token::Space || t.kind == Token::Note; }

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
            // Nothing in a note is translated.
            const qsizetype start = i;
            if (c == u'-') {
                while (i < n && s[i] != u'\n')
                    ++i;
            } else {
                const qsizetype close = s.indexOf(QStringLiteral("*/"), i + 2);
                i = close < 0 ? n : close + 2;
            }
            out.push_back({Token::Note, s.mid(start, i - start)});
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
        while (next < out.size() && isBlank(out[next]))
            ++next;
        if (next >= out.size() || out[next].kind != Token::Open)
            continue;
        const QString w = out[k].text.toLower();
        if (w == QLatin1String("left") || w == QLatin1String("right")) {
            out[k].typed = out[k].text;
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
            typed += isBlank(t[k]) ? QStringLiteral(" ") : t[k].typed.isEmpty() ? t[k].text : t[k].typed;
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
            if (!isBlank(t[k]))
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
        } else if (tok.kind == Token::Note) {
            // As a blank: a note inside a call it became part of would hide the
            // rest of the call, or a name put after it.
            part.blank(QStringLiteral(" "));
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
        if (!isBlank(tok) && tok.kind != Token::Open)
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

} // namespace platform::db
