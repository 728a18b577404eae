#include "platform/script/engine.h"

#include "platform/text/number_text.h"

#include <QSet>
#include <cmath>
#include <cstdint>
#include <limits>

namespace platform::script {

// ---------------------------------------------------------------- values

Value Value::boolean(bool b) { return Value(Type::Boolean, b ? -1.0 : 0.0); }
Value Value::integer(int v) { return Value(Type::Integer, v); }
Value Value::longValue(qint64 v) { return Value(Type::Long, static_cast<double>(v)); }
Value Value::single(float v) { return Value(Type::Single, v); }
Value Value::real(double v) { return Value(Type::Double, v); }

QString Value::text() const {
    switch (type_) {
    case Type::Empty: return QString();
    case Type::Boolean: return number_ != 0 ? QStringLiteral("True") : QStringLiteral("False");
    case Type::Integer:
    case Type::Long: return QString::number(static_cast<qint64>(number_));
    case Type::Single: return PlainNumberText(number_, Precision::Single);
    case Type::Double: return PlainNumberText(number_, Precision::Double);
    }
    return QString();
}

Result fail(ErrorKind kind, const QString& text) { return Result{Value(), Error{kind, text}}; }

namespace {

Result ok(Value v) { return Result{v, std::nullopt}; }

// Boolean and Empty take part in arithmetic as Integer.
enum class Rank { Int, Long, Single, Double };

Rank rankOf(Type t) {
    switch (t) {
    case Type::Long: return Rank::Long;
    case Type::Single: return Rank::Single;
    case Type::Double: return Rank::Double;
    default: return Rank::Int;
    }
}

constexpr qint64 kIntMin = -32768, kIntMax = 32767;
constexpr qint64 kLongMin = std::numeric_limits<int32_t>::min();
constexpr qint64 kLongMax = std::numeric_limits<int32_t>::max();

Result overflow() { return fail(ErrorKind::Overflow, QStringLiteral("Overflow")); }
Result divisionByZero() { return fail(ErrorKind::DivisionByZero, QStringLiteral("Division by zero")); }
Result invalidCall() {
    return fail(ErrorKind::InvalidCall, QStringLiteral("Invalid procedure call or argument"));
}

// A whole result widens from Integer to Long to Double instead of failing.
Result whole(qint64 r, bool integerOperands) {
    if (integerOperands && r >= kIntMin && r <= kIntMax) return ok(Value::integer(static_cast<int>(r)));
    if (r >= kLongMin && r <= kLongMax) return ok(Value::longValue(r));
    return ok(Value::real(static_cast<double>(r)));
}

Result real(double r) {
    if (!std::isfinite(r)) return overflow();
    return ok(Value::real(r));
}

// A single result too large for single precision becomes a Double.
Result single(double r) {
    const float f = static_cast<float>(r);
    if (std::isinf(f)) return real(r);
    return ok(Value::single(f));
}

Result wholeOnly(qint64 r, bool integerOperands) {
    if (r < kLongMin || r > kLongMax) return overflow();
    return whole(r, integerOperands);
}

// The operand of "\", Mod and the bitwise operators: a whole number in the
// Long range, a fraction rounded half to even.
bool toWhole(const Value& v, qint64* out) {
    if (rankOf(v.type()) == Rank::Int || v.type() == Type::Long) {
        *out = static_cast<qint64>(v.number());
        return true;
    }
    const double r = std::nearbyint(v.number());
    if (!(r >= kLongMin && r <= kLongMax)) return false;
    *out = static_cast<qint64>(r);
    return true;
}

enum class Arith { Add, Sub, Mul };

Result arithmetic(Arith op, const Value& a, const Value& b) {
    const Rank ra = rankOf(a.type()), rb = rankOf(b.type());
    const double x = a.number(), y = b.number();
    const auto apply = [op](auto p, auto q) {
        return op == Arith::Add ? p + q : op == Arith::Sub ? p - q : p * q;
    };
    if (ra == Rank::Double || rb == Rank::Double) return real(apply(x, y));
    if (ra == Rank::Single || rb == Rank::Single) {
        if (ra == Rank::Long || rb == Rank::Long) return real(apply(x, y));
        return single(apply(x, y));  // double then single rounds as single arithmetic does
    }
    return whole(apply(static_cast<qint64>(x), static_cast<qint64>(y)), ra == Rank::Int && rb == Rank::Int);
}

Result divide(const Value& a, const Value& b) {
    if (b.number() == 0) return divisionByZero();
    const Rank ra = rankOf(a.type()), rb = rankOf(b.type());
    const bool singles = (ra == Rank::Single && (rb == Rank::Single || rb == Rank::Int))
                         || (rb == Rank::Single && ra == Rank::Int);
    const double r = a.number() / b.number();
    return singles ? single(r) : real(r);
}

Result wholeDivide(bool modulo, const Value& a, const Value& b) {
    qint64 x = 0, y = 0;
    if (!toWhole(a, &x) || !toWhole(b, &y)) return overflow();
    if (y == 0) return divisionByZero();
    const qint64 r = modulo ? x % y : x / y;  // toward zero; Mod takes the dividend's sign
    return wholeOnly(r, rankOf(a.type()) == Rank::Int && rankOf(b.type()) == Rank::Int);
}

Result power(const Value& a, const Value& b) {
    const double x = a.number(), y = b.number();
    if (x == 0 && y < 0) return invalidCall();
    if (x < 0 && y != std::floor(y)) return invalidCall();
    return real(std::pow(x, y));
}

enum class Bits { And, Or, Xor, Eqv, Imp };

Result bitwise(Bits op, const Value& a, const Value& b) {
    qint64 x = 0, y = 0;
    if (!toWhole(a, &x) || !toWhole(b, &y)) return overflow();
    qint64 r = 0;
    switch (op) {
    case Bits::And: r = x & y; break;
    case Bits::Or: r = x | y; break;
    case Bits::Xor: r = x ^ y; break;
    case Bits::Eqv: r = ~(x ^ y); break;
    case Bits::Imp: r = ~x | y; break;
    }
    if (a.type() == Type::Boolean && b.type() == Type::Boolean) return ok(Value::boolean(r != 0));
    return whole(r, rankOf(a.type()) == Rank::Int && rankOf(b.type()) == Rank::Int);
}

Result logicalNot(const Value& a) {
    qint64 x = 0;
    if (!toWhole(a, &x)) return overflow();
    if (a.type() == Type::Boolean) return ok(Value::boolean(x == 0));
    return whole(~x, rankOf(a.type()) == Rank::Int);
}

Result negate(const Value& a) {
    switch (rankOf(a.type())) {
    case Rank::Int: return whole(-static_cast<qint64>(a.number()), true);
    case Rank::Long: return whole(-static_cast<qint64>(a.number()), false);
    case Rank::Single: return ok(Value::single(-static_cast<float>(a.number())));
    case Rank::Double: return ok(Value::real(-a.number()));
    }
    return ok(a);
}

// ------------------------------------------------------------- functions

} // namespace

// The codes the compiled form (Expression::Op) keeps: types with linkage,
// named for this file, so that no other file's type of that name can be
// taken for them.
namespace engine_codes {

enum class Fn { Abs, Sgn, Int, Fix, Round, Sqr, Exp, Log, Atn, Sin, Cos, Tan,
                CInt, CLng, CSng, CDbl, CByte, CBool };
enum class BinOp { Pow, Mul, Div, IntDiv, Mod, Add, Sub, Eq, Ne, Lt, Gt, Le, Ge,
                   And, Or, Xor, Eqv, Imp };

} // namespace engine_codes

namespace {

using engine_codes::BinOp;
using engine_codes::Fn;

struct FnInfo { const char* name; Fn fn; int minArgs; int maxArgs; };

constexpr FnInfo kFunctions[] = {
    {"abs", Fn::Abs, 1, 1},   {"sgn", Fn::Sgn, 1, 1},   {"int", Fn::Int, 1, 1},
    {"fix", Fn::Fix, 1, 1},   {"round", Fn::Round, 1, 2}, {"sqr", Fn::Sqr, 1, 1},
    {"exp", Fn::Exp, 1, 1},   {"log", Fn::Log, 1, 1},   {"atn", Fn::Atn, 1, 1},
    {"sin", Fn::Sin, 1, 1},   {"cos", Fn::Cos, 1, 1},   {"tan", Fn::Tan, 1, 1},
    {"cint", Fn::CInt, 1, 1}, {"clng", Fn::CLng, 1, 1}, {"csng", Fn::CSng, 1, 1},
    {"cdbl", Fn::CDbl, 1, 1}, {"cbyte", Fn::CByte, 1, 1}, {"cbool", Fn::CBool, 1, 1},
};

const FnInfo* findFunction(const QString& lower) {
    for (const FnInfo& f : kFunctions)
        if (lower == QLatin1String(f.name)) return &f;
    return nullptr;
}

// Keeps whole types whole and fractions in their own precision.
Result sameType(const Value& a, double r) {
    switch (rankOf(a.type())) {
    case Rank::Int: return whole(static_cast<qint64>(r), true);
    case Rank::Long: return whole(static_cast<qint64>(r), false);
    case Rank::Single: return ok(Value::single(static_cast<float>(r)));
    case Rank::Double: return real(r);
    }
    return ok(a);
}

Result convertWhole(double x, qint64 lo, qint64 hi, Type type) {
    const double r = std::nearbyint(x);
    if (!(r >= lo && r <= hi)) return overflow();
    return ok(type == Type::Long ? Value::longValue(static_cast<qint64>(r)) : Value::integer(static_cast<int>(r)));
}

Result roundTo(const Value& a, const Value* places) {
    qint64 n = 0;
    if (places) {
        if (!toWhole(*places, &n)) return overflow();
        if (n < 0) return invalidCall();
    }
    if (rankOf(a.type()) == Rank::Int || a.type() == Type::Long) return sameType(a, a.number());
    const double x = a.number();
    if (n > 22) return sameType(a, x);  // already as exact as the digits go
    const double scale = std::pow(10.0, static_cast<double>(n));
    const double scaled = x * scale;
    if (!std::isfinite(scaled)) return sameType(a, x);
    return sameType(a, std::nearbyint(scaled) / scale);
}

Result call(Fn fn, const Value* args, int argc) {
    const Value& a = args[0];
    const double x = a.number();
    switch (fn) {
    case Fn::Abs: return sameType(a, std::fabs(x));
    case Fn::Sgn: return ok(Value::integer(x > 0 ? 1 : x < 0 ? -1 : 0));
    case Fn::Int: return sameType(a, std::floor(x));
    case Fn::Fix: return sameType(a, std::trunc(x));
    case Fn::Round: return roundTo(a, argc > 1 ? &args[1] : nullptr);
    case Fn::Sqr: return x < 0 ? invalidCall() : real(std::sqrt(x));
    case Fn::Exp: return real(std::exp(x));
    case Fn::Log: return x <= 0 ? invalidCall() : real(std::log(x));
    case Fn::Atn: return real(std::atan(x));
    case Fn::Sin: return real(std::sin(x));
    case Fn::Cos: return real(std::cos(x));
    case Fn::Tan: return real(std::tan(x));
    case Fn::CInt: return convertWhole(x, kIntMin, kIntMax, Type::Integer);
    case Fn::CLng: return convertWhole(x, kLongMin, kLongMax, Type::Long);
    case Fn::CByte: return convertWhole(x, 0, 255, Type::Integer);
    case Fn::CSng: return toSingle(a);
    case Fn::CDbl: return ok(Value::real(x));
    case Fn::CBool: return ok(Value::boolean(x != 0));
    }
    return invalidCall();
}

// ---------------------------------------------------------------- parsing

// Words that can never be a variable.
const QSet<QString>& reservedWords() {
    static const QSet<QString> words = {
        QStringLiteral("mod"), QStringLiteral("and"), QStringLiteral("or"), QStringLiteral("xor"),
        QStringLiteral("eqv"), QStringLiteral("imp"), QStringLiteral("not"), QStringLiteral("true"),
        QStringLiteral("false"), QStringLiteral("empty"), QStringLiteral("dim"), QStringLiteral("redim"),
        QStringLiteral("preserve"), QStringLiteral("if"), QStringLiteral("then"), QStringLiteral("else"),
        QStringLiteral("elseif"), QStringLiteral("end"), QStringLiteral("for"), QStringLiteral("each"),
        QStringLiteral("in"), QStringLiteral("to"), QStringLiteral("step"), QStringLiteral("next"),
        QStringLiteral("do"), QStringLiteral("loop"), QStringLiteral("while"), QStringLiteral("wend"),
        QStringLiteral("until"), QStringLiteral("select"), QStringLiteral("case"), QStringLiteral("sub"),
        QStringLiteral("function"), QStringLiteral("property"), QStringLiteral("get"), QStringLiteral("let"),
        QStringLiteral("set"), QStringLiteral("call"), QStringLiteral("const"), QStringLiteral("class"),
        QStringLiteral("exit"), QStringLiteral("on"), QStringLiteral("error"), QStringLiteral("resume"),
        QStringLiteral("goto"), QStringLiteral("option"), QStringLiteral("explicit"), QStringLiteral("private"),
        QStringLiteral("public"), QStringLiteral("default"), QStringLiteral("byval"), QStringLiteral("byref"),
        QStringLiteral("with"), QStringLiteral("rem"), QStringLiteral("stop"), QStringLiteral("randomize"),
        QStringLiteral("erase"), QStringLiteral("execute"), QStringLiteral("executeglobal"),
    };
    return words;
}

// Parts of the old language that formulas do not get: values without a
// number (Null, objects), and the functions and constants left out. Named
// here so that a formula using them fails instead of reading them as 0.
const QSet<QString>& unsupportedNames() {
    static const QSet<QString> names = [] {
        QSet<QString> s;
        const char* list[] = {
            "null", "nothing", "new", "is", "me", "err",
            "array", "asc", "ascb", "ascw", "ccur", "cdate", "chr", "chrb", "chrw", "createobject",
            "cstr", "date", "dateadd", "datediff", "datepart", "dateserial", "datevalue", "day",
            "escape", "eval", "filter", "formatcurrency", "formatdatetime", "formatnumber",
            "formatpercent", "getlocale", "getobject", "getref", "hex", "hour", "inputbox", "instr",
            "instrb", "instrrev", "isarray", "isdate", "isempty", "isnull", "isnumeric", "isobject",
            "join", "lbound", "lcase", "left", "leftb", "len", "lenb", "loadpicture", "ltrim", "mid",
            "midb", "minute", "month", "monthname", "msgbox", "now", "oct", "replace", "rgb", "right",
            "rightb", "rnd", "rtrim", "scriptengine", "scriptenginebuildversion",
            "scriptenginemajorversion", "scriptengineminorversion", "second", "setlocale", "space",
            "split", "strcomp", "string", "strreverse", "time", "timer", "timeserial", "timevalue",
            "trim", "typename", "ubound", "ucase", "unescape", "vartype", "weekday", "weekdayname",
            "year",
            "vbcr", "vbcrlf", "vbformfeed", "vblf", "vbnewline", "vbnullchar", "vbnullstring", "vbtab",
            "vbverticaltab", "vbblack", "vbred", "vbgreen", "vbyellow", "vbblue", "vbmagenta", "vbcyan",
            "vbwhite", "vbbinarycompare", "vbtextcompare", "vbsunday", "vbmonday", "vbtuesday",
            "vbwednesday", "vbthursday", "vbfriday", "vbsaturday", "vbusesystemdayofweek",
            "vbfirstjan1", "vbfirstfourdays", "vbfirstfullweek", "vbgeneraldate", "vblongdate",
            "vbshortdate", "vblongtime", "vbshorttime", "vbobjecterror", "vbokonly", "vbokcancel",
            "vbabortretryignore", "vbyesnocancel", "vbyesno", "vbretrycancel", "vbcritical",
            "vbquestion", "vbexclamation", "vbinformation", "vbdefaultbutton1", "vbdefaultbutton2",
            "vbdefaultbutton3", "vbdefaultbutton4", "vbapplicationmodal", "vbsystemmodal", "vbok",
            "vbcancel", "vbabort", "vbretry", "vbignore", "vbyes", "vbno", "vbusedefault", "vbtrue",
            "vbfalse", "vbempty", "vbnull", "vbinteger", "vblong", "vbsingle", "vbdouble",
            "vbcurrency", "vbdate", "vbstring", "vbobject", "vberror", "vbboolean", "vbvariant",
            "vbdataobject", "vbdecimal", "vbbyte", "vbarray",
        };
        for (const char* n : list) s.insert(QLatin1String(n));
        return s;
    }();
    return names;
}

struct Token {
    enum Kind { Number, Name, Symbol, End } kind = End;
    Value number;
    QString text;  // the name as written, or the symbol
};

struct ParseFailure { Error error; };

[[noreturn]] void syntax(const QString& what) { throw ParseFailure{{ErrorKind::Syntax, what}}; }
[[noreturn]] void unsupported(const QString& what) { throw ParseFailure{{ErrorKind::Unsupported, what}}; }

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }
bool isLetter(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

Token numberToken(const QString& s, qsizetype& i) {
    const qsizetype start = i;
    const qsizetype n = s.size();
    bool fraction = false;
    while (i < n && isDigit(s[i])) ++i;
    if (i < n && s[i] == u'.') {
        fraction = true;
        ++i;
        while (i < n && isDigit(s[i])) ++i;
    }
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        fraction = true;
        ++i;
        if (i < n && (s[i] == u'+' || s[i] == u'-')) ++i;
        const qsizetype digits = i;
        while (i < n && isDigit(s[i])) ++i;
        if (i == digits) syntax(QStringLiteral("exponent without digits"));
    }
    const QString text = s.mid(start, i - start);
    Token t{Token::Number, Value(), text};
    if (!fraction) {
        bool isLong = false;
        qsizetype zeros = 0;
        while (zeros + 1 < text.size() && text[zeros] == u'0') ++zeros;
        const qint64 v = text.size() - zeros <= 10 ? text.mid(zeros).toLongLong(&isLong) : 0;
        if (isLong && v <= kIntMax) t.number = Value::integer(static_cast<int>(v));
        else if (isLong && v <= kLongMax) t.number = Value::longValue(v);
        else fraction = true;
    }
    if (fraction) {
        const double d = text.toDouble();
        if (!std::isfinite(d)) throw ParseFailure{{ErrorKind::Overflow, QStringLiteral("Overflow")}};
        t.number = Value::real(d);
    }
    return t;
}

// &H1F, &O17 and &17: 16 bits give an Integer, 32 bits a Long, both signed.
Token radixToken(const QString& s, qsizetype& i) {
    const qsizetype n = s.size();
    ++i;  // the "&"
    int base = 8;
    if (i < n && (s[i] == u'h' || s[i] == u'H')) { base = 16; ++i; }
    else if (i < n && (s[i] == u'o' || s[i] == u'O')) { ++i; }
    else if (!(i < n && isDigit(s[i]))) unsupported(QStringLiteral("text joining with &"));
    quint64 v = 0;
    qsizetype digits = 0;
    for (; i < n; ++i, ++digits) {
        const QChar c = s[i].toLower();
        const int d = isDigit(c) ? c.unicode() - u'0'
                      : base == 16 && c >= u'a' && c <= u'f' ? c.unicode() - u'a' + 10
                      : -1;
        if (d < 0) break;
        if (d >= base) syntax(QStringLiteral("digit out of its base"));
        v = v * base + d;
        if (v > 0xFFFFFFFFull) throw ParseFailure{{ErrorKind::Overflow, QStringLiteral("Overflow")}};
    }
    if (digits == 0) syntax(QStringLiteral("number without digits"));
    Token t{Token::Number, Value(), QString()};
    if (v <= 0xFFFF) t.number = Value::integer(static_cast<int16_t>(static_cast<uint16_t>(v)));
    else t.number = Value::longValue(static_cast<int32_t>(static_cast<uint32_t>(v)));
    return t;
}

std::vector<Token> tokenize(const QString& s) {
    std::vector<Token> tokens;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s[i];
        if (c == u' ' || c == u'\t') { ++i; continue; }
        if (isDigit(c) || (c == u'.' && i + 1 < n && isDigit(s[i + 1]))) {
            tokens.push_back(numberToken(s, i));
        } else if (isLetter(c)) {
            const qsizetype start = i;
            while (i < n && (isLetter(s[i]) || isDigit(s[i]) || s[i] == u'_')) ++i;
            tokens.push_back({Token::Name, Value(), s.mid(start, i - start)});
        } else if (c == u'&') {
            tokens.push_back(radixToken(s, i));
        } else if (c == u'"') {
            unsupported(QStringLiteral("text"));
        } else if (c == u'.' || c == u'#' || c == u'[') {
            unsupported(QStringLiteral("objects, dates and bracketed names"));
        } else if (c == u'<' && i + 1 < n && (s[i + 1] == u'>' || s[i + 1] == u'=')) {
            tokens.push_back({Token::Symbol, Value(), s.mid(i, 2)});
            i += 2;
        } else if (c == u'>' && i + 1 < n && s[i + 1] == u'=') {
            tokens.push_back({Token::Symbol, Value(), s.mid(i, 2)});
            i += 2;
        } else if (QStringLiteral("+-*/\\^=<>(),").contains(c)) {
            tokens.push_back({Token::Symbol, Value(), QString(c)});
            ++i;
        } else {
            syntax(QStringLiteral("invalid character"));
        }
    }
    tokens.push_back({Token::End, Value(), QString()});
    return tokens;
}

} // namespace

struct Expression::Op {
    enum Code { Push, Load, Negate, Not, Binary, Call } code = Push;
    Value value;
    QString name;
    BinOp op = BinOp::Add;
    Fn fn = Fn::Abs;
    int argc = 0;

    static Op of(Code code) { Op o; o.code = code; return o; }
    static Op push(Value v) { Op o; o.value = v; return o; }
};

namespace {

using Op = Expression::Op;

class Parser {
public:
    Parser(const std::vector<Token>& tokens, size_t pos, std::vector<Op>& out)
        : tokens_(tokens), pos_(pos), out_(out) {}

    void expressionToEnd() {
        if (peek().kind == Token::End) syntax(QStringLiteral("empty expression"));
        imp();
        if (peek().kind != Token::End) syntax(QStringLiteral("expected end of expression"));
    }

private:
    const Token& peek() const { return tokens_[pos_]; }
    bool isSymbol(const char* s) const { return peek().kind == Token::Symbol && peek().text == QLatin1String(s); }
    bool isWord(const char* w) const {
        return peek().kind == Token::Name && peek().text.compare(QLatin1String(w), Qt::CaseInsensitive) == 0;
    }
    bool acceptSymbol(const char* s) { if (!isSymbol(s)) return false; ++pos_; return true; }
    bool acceptWord(const char* w) { if (!isWord(w)) return false; ++pos_; return true; }
    void binary(BinOp op) { Op o = Op::of(Op::Binary); o.op = op; out_.push_back(o); }

    // Every level that can nest (parentheses, arguments, signs, Not) passes
    // here, so that a pathological text fails instead of exhausting the stack.
    struct Nesting {
        explicit Nesting(int& depth) : depth_(depth) {
            if (++depth_ > kMaxNesting) syntax(QStringLiteral("expression nested too deeply"));
        }
        ~Nesting() { --depth_; }
        int& depth_;
    };
    static constexpr int kMaxNesting = 400;

    void imp() { Nesting n(depth_); eqv(); while (acceptWord("imp")) { eqv(); binary(BinOp::Imp); } }
    void eqv() { xorLevel(); while (acceptWord("eqv")) { xorLevel(); binary(BinOp::Eqv); } }
    void xorLevel() { orLevel(); while (acceptWord("xor")) { orLevel(); binary(BinOp::Xor); } }
    void orLevel() { andLevel(); while (acceptWord("or")) { andLevel(); binary(BinOp::Or); } }
    void andLevel() { notLevel(); while (acceptWord("and")) { notLevel(); binary(BinOp::And); } }
    void notLevel() {
        Nesting n(depth_);
        if (acceptWord("not")) {
            notLevel();
            out_.push_back(Op::of(Op::Not));
        } else {
            comparison();
        }
    }
    void comparison() {
        additive();
        static const std::pair<const char*, BinOp> ops[] = {
            {"=", BinOp::Eq}, {"<>", BinOp::Ne}, {"<=", BinOp::Le}, {">=", BinOp::Ge},
            {"<", BinOp::Lt}, {">", BinOp::Gt}};
        for (;;) {
            bool found = false;
            for (const auto& [s, op] : ops) {
                if (acceptSymbol(s)) { additive(); binary(op); found = true; break; }
            }
            if (!found) return;
        }
    }
    void additive() {
        modLevel();
        for (;;) {
            if (acceptSymbol("+")) { modLevel(); binary(BinOp::Add); }
            else if (acceptSymbol("-")) { modLevel(); binary(BinOp::Sub); }
            else return;
        }
    }
    void modLevel() { intDiv(); while (acceptWord("mod")) { intDiv(); binary(BinOp::Mod); } }
    void intDiv() { multiplicative(); while (acceptSymbol("\\")) { multiplicative(); binary(BinOp::IntDiv); } }
    void multiplicative() {
        unary();
        for (;;) {
            if (acceptSymbol("*")) { unary(); binary(BinOp::Mul); }
            else if (acceptSymbol("/")) { unary(); binary(BinOp::Div); }
            else return;
        }
    }
    // A sign is weaker than "^": -2^2 is -4.
    void unary() {
        Nesting n(depth_);
        if (acceptSymbol("-")) { unary(); out_.push_back(Op::of(Op::Negate)); }
        else if (acceptSymbol("+")) unary();
        else if (isWord("not")) notLevel();
        else powerLevel();
    }
    void powerLevel() {
        primary();
        while (acceptSymbol("^")) {
            exponent();
            binary(BinOp::Pow);
        }
    }
    // The right side of "^" may carry a sign (2^-1) but binds only its operand.
    void exponent() {
        Nesting n(depth_);
        if (acceptSymbol("-")) { exponent(); out_.push_back(Op::of(Op::Negate)); }
        else if (acceptSymbol("+")) exponent();
        else primary();
    }
    void primary() {
        const Token& t = peek();
        if (t.kind == Token::Number) {
            out_.push_back(Op::push(t.number));
            ++pos_;
            return;
        }
        if (acceptSymbol("(")) {
            imp();
            if (!acceptSymbol(")")) syntax(QStringLiteral("expected )"));
            return;
        }
        if (t.kind != Token::Name) syntax(QStringLiteral("expected an operand"));
        const QString lower = t.text.toLower();
        ++pos_;
        if (lower == u"true") { out_.push_back(Op::push(Value::boolean(true))); return; }
        if (lower == u"false") { out_.push_back(Op::push(Value::boolean(false))); return; }
        if (lower == u"empty") { out_.push_back(Op::push(Value())); return; }
        if (const FnInfo* f = findFunction(lower)) {
            call(*f, t.text);
            return;
        }
        if (unsupportedNames().contains(lower)) unsupported(t.text);
        if (reservedWords().contains(lower)) syntax(QStringLiteral("keyword as a name: ") + t.text);
        if (isSymbol("(")) {
            throw ParseFailure{{ErrorKind::NotAFunction, QStringLiteral("Type mismatch: '%1'").arg(t.text)}};
        }
        Op load = Op::of(Op::Load);
        load.name = lower;
        out_.push_back(load);
    }
    void call(const FnInfo& f, const QString& written) {
        const Error wrongCount{ErrorKind::WrongArgumentCount,
                               QStringLiteral("Wrong number of arguments: '%1'").arg(written)};
        if (!acceptSymbol("(")) throw ParseFailure{wrongCount};
        int argc = 0;
        if (!acceptSymbol(")")) {
            do {
                imp();
                ++argc;
            } while (acceptSymbol(","));
            if (!acceptSymbol(")")) syntax(QStringLiteral("expected )"));
        }
        if (argc < f.minArgs || argc > f.maxArgs) throw ParseFailure{wrongCount};
        Op op = Op::of(Op::Call);
        op.fn = f.fn;
        op.argc = argc;
        out_.push_back(op);
    }

    const std::vector<Token>& tokens_;
    size_t pos_;
    std::vector<Op>& out_;
    int depth_ = 0;
};

Result binaryOp(BinOp op, const Value& a, const Value& b) {
    const double x = a.number(), y = b.number();
    switch (op) {
    case BinOp::Pow: return power(a, b);
    case BinOp::Mul: return arithmetic(Arith::Mul, a, b);
    case BinOp::Div: return divide(a, b);
    case BinOp::IntDiv: return wholeDivide(false, a, b);
    case BinOp::Mod: return wholeDivide(true, a, b);
    case BinOp::Add: return arithmetic(Arith::Add, a, b);
    case BinOp::Sub: return arithmetic(Arith::Sub, a, b);
    case BinOp::Eq: return ok(Value::boolean(x == y));
    case BinOp::Ne: return ok(Value::boolean(x != y));
    case BinOp::Lt: return ok(Value::boolean(x < y));
    case BinOp::Gt: return ok(Value::boolean(x > y));
    case BinOp::Le: return ok(Value::boolean(x <= y));
    case BinOp::Ge: return ok(Value::boolean(x >= y));
    case BinOp::And: return bitwise(Bits::And, a, b);
    case BinOp::Or: return bitwise(Bits::Or, a, b);
    case BinOp::Xor: return bitwise(Bits::Xor, a, b);
    case BinOp::Eqv: return bitwise(Bits::Eqv, a, b);
    case BinOp::Imp: return bitwise(Bits::Imp, a, b);
    }
    return invalidCall();
}

} // namespace

Result add(const Value& a, const Value& b) { return arithmetic(Arith::Add, a, b); }

Result toSingle(const Value& v) {
    const float f = static_cast<float>(v.number());
    if (std::isinf(f)) return overflow();
    return ok(Value::single(f));
}

Expression Expression::parse(const QString& text) {
    Expression e;
    auto ops = std::make_shared<std::vector<Op>>();
    try {
        const std::vector<Token> tokens = tokenize(text);
        Parser(tokens, 0, *ops).expressionToEnd();
    } catch (const ParseFailure& f) {
        e.error_ = f.error;
        return e;
    }
    e.ops_ = std::move(ops);
    return e;
}

void Engine::reset() { variables_.clear(); }

Assignment Assignment::parse(const QString& statement) {
    Assignment a;
    auto ops = std::make_shared<std::vector<Expression::Op>>();
    try {
        const std::vector<Token> tokens = tokenize(statement);
        if (tokens.size() < 3 || tokens[0].kind != Token::Name || tokens[1].kind != Token::Symbol
            || tokens[1].text != u"=") {
            syntax(QStringLiteral("expected name=expression"));
        }
        a.name_ = tokens[0].text.toLower();
        if (unsupportedNames().contains(a.name_)) unsupported(tokens[0].text);
        if (reservedWords().contains(a.name_) || findFunction(a.name_))
            syntax(QStringLiteral("cannot assign to '%1'").arg(tokens[0].text));
        Parser(tokens, 2, *ops).expressionToEnd();
    } catch (const ParseFailure& f) {
        a.error_ = f.error;
        return a;
    }
    a.value_.ops_ = std::move(ops);
    return a;
}

Result Engine::execute(const QString& statement) { return execute(Assignment::parse(statement)); }

Result Engine::execute(const Assignment& statement) {
    if (statement.error_) return Result{Value(), statement.error_};
    const Result r = eval(statement.value_);
    if (r.ok()) variables_.insert(statement.name_, r.value);
    return r;
}

Result Engine::eval(const QString& text) const { return eval(Expression::parse(text)); }

Result Engine::eval(const Expression& expression) const {
    if (expression.error_) return Result{Value(), expression.error_};
    if (!expression.ops_) return fail(ErrorKind::Syntax, QStringLiteral("empty expression"));
    std::vector<Value> stack;
    stack.reserve(expression.ops_->size());
    for (const Op& op : *expression.ops_) {
        Result r;
        switch (op.code) {
        case Op::Push: stack.push_back(op.value); continue;
        case Op::Load: stack.push_back(variables_.value(op.name)); continue;
        case Op::Negate: r = negate(stack.back()); stack.pop_back(); break;
        case Op::Not: r = logicalNot(stack.back()); stack.pop_back(); break;
        case Op::Binary: {
            const Value b = stack.back();
            stack.pop_back();
            const Value a = stack.back();
            stack.pop_back();
            r = binaryOp(op.op, a, b);
            break;
        }
        case Op::Call: {
            const size_t first = stack.size() - op.argc;
            r = call(op.fn, stack.data() + first, op.argc);
            stack.resize(first);
            break;
        }
        }
        if (!r.ok()) return r;
        stack.push_back(r.value);
    }
    return ok(stack.back());
}

Value Engine::variable(const QString& name) const { return variables_.value(name.toLower()); }

} // namespace platform::script
