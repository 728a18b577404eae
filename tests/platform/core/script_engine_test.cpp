#include "platform/script/engine.h"

#include <gtest/gtest.h>

using namespace platform::script;

namespace {

// An engine holding what the sample test assigns that the cases use.
Engine sampleEngine() {
    Engine e;
    for (const char* s : {"c=1", "g=0", "h=60"}) EXPECT_TRUE(e.execute(QString::fromUtf8(s)).ok()) << s;
    return e;
}

struct ValueCase { const char* text; Type type; const char* shown; };

} // namespace

TEST(ScriptEngine, ValuesTypesAndPrecedenceFollowTheOldLanguage) {
    const ValueCase cases[] = {
        // precedence: ^ over sign over * / over \ over Mod over + -
        {"-2^2", Type::Double, "-4"},
        {"2^-1", Type::Double, "0.5"},
        {"-2^-2", Type::Double, "-0.25"},
        {"2^3^2", Type::Double, "64"},
        {"1+2*3^2", Type::Double, "19"},
        {"10-4-3", Type::Integer, "3"},
        {"7\\2", Type::Integer, "3"},
        {"-7\\2", Type::Integer, "-3"},
        {"7\\2*2", Type::Integer, "1"},
        {"7 Mod 3", Type::Integer, "1"},
        {"-7 Mod 3", Type::Integer, "-1"},
        {"7 Mod 4\\2", Type::Integer, "1"},
        {"1+7 Mod 3", Type::Integer, "2"},
        {"2*-3", Type::Integer, "-6"},
        // whole operands of \ and Mod are rounded half to even
        {"2.5\\1", Type::Long, "2"},
        {"3.5\\1", Type::Long, "4"},
        {"5.5 Mod 2", Type::Long, "0"},
        // literals and widening
        {"32767", Type::Integer, "32767"},
        {"32768", Type::Long, "32768"},
        {"000000000012", Type::Integer, "12"},
        {"-32768", Type::Long, "-32768"},
        {"2147483648", Type::Double, "2147483648"},
        {"32767+1", Type::Long, "32768"},
        {"32767*32767", Type::Long, "1073676289"},
        {"2147483647+1", Type::Double, "2147483648"},
        {".5", Type::Double, "0.5"},
        {"5.", Type::Double, "5"},
        {"1E3", Type::Double, "1000"},
        {"2.5e-1", Type::Double, "0.25"},
        {"&H10", Type::Integer, "16"},
        {"&hFFFF", Type::Integer, "-1"},
        {"&H10000", Type::Long, "65536"},
        {"&O17", Type::Integer, "15"},
        {"&17", Type::Integer, "15"},
        // division and precision
        {"1/2", Type::Double, "0.5"},
        {"4/2", Type::Double, "2"},
        {"1/3", Type::Double, "0.333333333333333"},
        {"CSng(1)/CSng(3)", Type::Single, "0.3333333"},
        {"CSng(1)/3", Type::Single, "0.3333333"},
        {"CSng(1)/CLng(3)", Type::Double, "0.333333333333333"},
        {"CSng(1.5)*2", Type::Single, "3"},
        {"CSng(1)+CLng(1)", Type::Double, "2"},
        {"CSng(1)+0.5", Type::Double, "1.5"},
        // comparisons, Boolean and Empty
        {"h=60", Type::Boolean, "True"},
        {"H = 60.5", Type::Boolean, "False"},
        {"1<2<3", Type::Boolean, "True"},
        {"Not 1=2", Type::Boolean, "True"},
        {"Not 0", Type::Integer, "-1"},
        {"Not True", Type::Boolean, "False"},
        {"5 And 3", Type::Integer, "1"},
        {"True And False", Type::Boolean, "False"},
        {"True Or 0", Type::Integer, "-1"},
        {"1 Xor 3", Type::Integer, "2"},
        {"0 Imp 0", Type::Integer, "-1"},
        {"True+True", Type::Integer, "-2"},
        {"Empty", Type::Empty, ""},
        {"j", Type::Empty, ""},
        {"j+1", Type::Integer, "1"},
        {"hh*2", Type::Integer, "0"},
        {"-j", Type::Integer, "0"},
        // functions, names of any case
        {"Round(2.5)", Type::Double, "2"},
        {"round(3.5)", Type::Double, "4"},
        {"Round(1.25, 1)", Type::Double, "1.2"},
        {"Round(7)", Type::Integer, "7"},
        {"Int(-2.5)", Type::Double, "-3"},
        {"Fix(-2.5)", Type::Double, "-2"},
        {"INT(CSng(2.5))", Type::Single, "2"},
        {"Abs(-32768)", Type::Long, "32768"},
        {"Abs(-1.5)", Type::Double, "1.5"},
        {"Sgn(-3.2)", Type::Integer, "-1"},
        {"Sqr(h+4)", Type::Double, "8"},
        {"Exp(0)+Log(1)+Atn(0)+Sin(0)+Cos(0)+Tan(0)", Type::Double, "2"},
        {"CInt(2.5)", Type::Integer, "2"},
        {"CLng(-2.5)", Type::Long, "-2"},
        {"CByte(254.6)", Type::Integer, "255"},
        {"CDbl(1)", Type::Double, "1"},
        {"CBool(5)", Type::Boolean, "True"},
        {"(h-30)/3", Type::Double, "10"},
    };
    const Engine e = sampleEngine();
    for (const ValueCase& c : cases) {
        const Result r = e.eval(QString::fromUtf8(c.text));
        ASSERT_TRUE(r.ok()) << c.text << ": " << r.error->text.toStdString();
        EXPECT_EQ(r.value.type(), c.type) << c.text;
        EXPECT_EQ(r.value.text(), QString::fromUtf8(c.shown)) << c.text;
    }
}

TEST(ScriptEngine, WhatCannotBeEvaluatedIsAFailureNeverAValue) {
    const std::pair<const char*, ErrorKind> cases[] = {
        {"", ErrorKind::Syntax},
        {"   ", ErrorKind::Syntax},
        {"(1", ErrorKind::Syntax},
        {"1)", ErrorKind::Syntax},
        {"(h-30/3", ErrorKind::Syntax},
        {"1 2", ErrorKind::Syntax},
        {"1+", ErrorKind::Syntax},
        {"*2", ErrorKind::Syntax},
        {"1+1:2", ErrorKind::Syntax},
        {"1E", ErrorKind::Syntax},
        {"&H", ErrorKind::Syntax},
        {"&O8", ErrorKind::Syntax},
        {"Mod", ErrorKind::Syntax},
        {"If+1", ErrorKind::Syntax},
        {"h＋1", ErrorKind::Syntax},
        {"c/g", ErrorKind::DivisionByZero},
        {"1\\0", ErrorKind::DivisionByZero},
        {"1 Mod j", ErrorKind::DivisionByZero},
        {"0/0", ErrorKind::DivisionByZero},
        {"Sqr(-1)", ErrorKind::InvalidCall},
        {"Log(0)", ErrorKind::InvalidCall},
        {"(-8)^(1/3)", ErrorKind::InvalidCall},
        {"0^-1", ErrorKind::InvalidCall},
        {"Round(1.5, -1)", ErrorKind::InvalidCall},
        {"CInt(32768)", ErrorKind::Overflow},
        {"CInt(32767.5)", ErrorKind::Overflow},
        {"CByte(-1)", ErrorKind::Overflow},
        {"CSng(1E39)", ErrorKind::Overflow},
        {"1E308*10", ErrorKind::Overflow},
        {"1E309", ErrorKind::Overflow},
        {"Exp(1000)", ErrorKind::Overflow},
        {"2147483648\\1", ErrorKind::Overflow},
        {"Not 1E10", ErrorKind::Overflow},
        {"&H100000000", ErrorKind::Overflow},
        {"Foo(1)", ErrorKind::NotAFunction},
        {"h(1)", ErrorKind::NotAFunction},
        {"Abs(1,2)", ErrorKind::WrongArgumentCount},
        {"Abs", ErrorKind::WrongArgumentCount},
        {"Round()", ErrorKind::WrongArgumentCount},
        {"\"abc\"", ErrorKind::Unsupported},
        {"h & 1", ErrorKind::Unsupported},
        {"Null", ErrorKind::Unsupported},
        {"Len(1)", ErrorKind::Unsupported},
        {"h*Rnd", ErrorKind::Unsupported},
        {"vbTrue", ErrorKind::Unsupported},
        {"a.b", ErrorKind::Unsupported},
    };
    const Engine e = sampleEngine();
    for (const auto& [text, kind] : cases) {
        const Result r = e.eval(QString::fromUtf8(text));
        ASSERT_FALSE(r.ok()) << text << " gave " << r.value.text().toStdString();
        EXPECT_EQ(r.error->kind, kind) << text << ": " << r.error->text.toStdString();
        EXPECT_FALSE(r.error->text.isEmpty()) << text;
    }
}

TEST(ScriptEngine, StatementsAssignUntilResetAndARefusedOneChangesNothing) {
    Engine e;
    ASSERT_TRUE(e.execute(QStringLiteral("h=81.66666")).ok());
    ASSERT_TRUE(e.execute(QStringLiteral("A=3")).ok());
    EXPECT_EQ(e.variable(QStringLiteral("H")), Value::real(81.66666));
    EXPECT_EQ(e.variable(QStringLiteral("a")), Value::integer(3));
    EXPECT_EQ(e.eval(QStringLiteral("a*2")).value, Value::integer(6));

    for (const char* bad : {"h=", "1=2", "abs=1", "mod=1", "h==1", "h=1 2", "null=1"})
        EXPECT_FALSE(e.execute(QString::fromUtf8(bad)).ok()) << bad;
    const Result zero = e.execute(QStringLiteral("h=1/0"));
    ASSERT_FALSE(zero.ok());
    EXPECT_EQ(zero.error->kind, ErrorKind::DivisionByZero);
    EXPECT_EQ(e.variable(QStringLiteral("h")), Value::real(81.66666));

    e.reset();
    EXPECT_TRUE(e.variable(QStringLiteral("h")).isEmpty());
    EXPECT_EQ(e.eval(QStringLiteral("h+a")).value, Value::integer(0));
}

TEST(ScriptEngine, AParsedAssignmentExecutesAsItsTextEveryTime) {
    struct Case {
        const char* text;
        std::optional<ErrorKind> error;
    };
    const Case cases[] = {
        {"H=81.66666", std::nullopt}, {"a=3", std::nullopt}, {"g=-0", std::nullopt}, {"h=a*2", std::nullopt},
        {"h=", ErrorKind::Syntax},    {"abs=1", ErrorKind::Syntax}, {"null=1", ErrorKind::Unsupported},
        {"h=1/0", ErrorKind::DivisionByZero},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Assignment parsed = Assignment::parse(QString::fromUtf8(c.text));
        EXPECT_EQ(parsed.ok(), c.error != ErrorKind::Syntax && c.error != ErrorKind::Unsupported);
        Engine byText, byParse;
        // Twice over, with a reset between: the parsed form keeps nothing of a run.
        for (int round = 0; round < 2; ++round) {
            for (Engine* e : {&byText, &byParse}) {
                e->reset();
                ASSERT_TRUE(e->execute(QStringLiteral("a=%1").arg(round + 1)).ok());
            }
            const Result t = byText.execute(QString::fromUtf8(c.text));
            const Result p = byParse.execute(parsed);
            ASSERT_EQ(p.ok(), !c.error);
            ASSERT_EQ(t.ok(), p.ok());
            if (c.error) {
                EXPECT_EQ(p.error->kind, *c.error);
                EXPECT_EQ(t.error->kind, p.error->kind);
            } else {
                EXPECT_EQ(p.value, t.value);
            }
            for (const char* name : {"a", "h", "g"})
                EXPECT_EQ(byParse.variable(QString::fromUtf8(name)), byText.variable(QString::fromUtf8(name))) << name;
        }
    }
}

TEST(ScriptEngine, AParsedExpressionEvaluatesAfreshOverTheCurrentVariables) {
    const Expression part = Expression::parse(QStringLiteral("(b/a)*100+(c/a-j)*100"));
    ASSERT_TRUE(part.ok());
    Engine e;
    for (const char* s : {"a=2", "b=1", "c=1"}) e.execute(QString::fromUtf8(s));
    EXPECT_EQ(e.eval(part).value.text(), QStringLiteral("100"));
    e.reset();
    for (const char* s : {"a=4", "b=3", "c=2"}) e.execute(QString::fromUtf8(s));
    EXPECT_EQ(e.eval(part).value.text(), QStringLiteral("125"));
    e.reset();
    const Result r = e.eval(part);  // a is Empty now
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->kind, ErrorKind::DivisionByZero);

    const QString deep = QString(60, u'(') + u'1' + QString(60, u')');
    EXPECT_EQ(e.eval(deep).value, Value::integer(1));
    for (const QString& pathological : {QString(100000, u'(') + u'1' + QString(100000, u')'),
                                        QString(100000, u'-') + u'1', QStringLiteral("Not ").repeated(100000) + u'1'})
        EXPECT_FALSE(e.eval(pathological).ok());  // refused, not a crash

    const Expression broken = Expression::parse(QStringLiteral("(h-30/3"));
    EXPECT_FALSE(broken.ok());
    EXPECT_EQ(e.eval(broken).error->kind, ErrorKind::Syntax);
}
