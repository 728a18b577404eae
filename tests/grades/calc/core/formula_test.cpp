#include "grades/calc/core/formula.h"

#include "platform/text/number_text.h"

#include <gtest/gtest.h>

using namespace calc;
using platform::script::Engine;
using platform::script::ErrorKind;
using platform::script::Type;

namespace {

const std::array<QString, 4> kDefaultParts = {
    QStringLiteral("(h-30)/3"), QStringLiteral("(c/a-0.1)*100"),
    QStringLiteral("(b/a)*100+(c/a-j)*100"), QStringLiteral("0")};

FormulaFigures teacher(float h) {
    FormulaFigures f;
    f.a = 2; f.b = 1; f.c = 1; f.e = 40; f.h = h;
    return f;
}

std::array<QString, 4> parts(const char* p1, const char* p2 = "0", const char* p3 = "0", const char* p4 = "0") {
    return {QString::fromUtf8(p1), QString::fromUtf8(p2), QString::fromUtf8(p3), QString::fromUtf8(p4)};
}

} // namespace

TEST(AssessmentFormulas, TheDefaultPartsGiveTheOldValuesAndLogLine) {
    Engine engine;
    const AssessmentOutcome out = AssessmentFormulas(kDefaultParts).evaluate(engine, teacher(70), NegativeRules{});
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(out.score.parts[0].type(), Type::Double);
    EXPECT_EQ(out.score.parts[3].type(), Type::Single);
    EXPECT_EQ(out.score.logLine(),
              QStringLiteral("考绩分第一部分:13.3333333333333考绩分第二部分:40考绩分第三部分:100"
                             "考绩分第四部分:0最后的考绩分为:153.333333333333"));
    EXPECT_EQ(platform::PlainNumberText(out.score.stored(), platform::Precision::Single), QStringLiteral("153.3333"));

    // A negative part is logged as evaluated but counts as 0.
    const AssessmentOutcome low = AssessmentFormulas(kDefaultParts).evaluate(engine, teacher(20), NegativeRules{});
    ASSERT_TRUE(low.ok());
    EXPECT_EQ(low.score.parts[0].text(), QStringLiteral("-3.33333333333333"));
    EXPECT_EQ(low.score.sum.text(), QStringLiteral("140"));
}

TEST(AssessmentFormulas, NegativeRulesAndNamesNeverAssigned) {
    struct Case {
        std::array<QString, 4> parts;
        NegativeRules rules;
        const char* log;
        float stored;
    };
    const Case cases[] = {
        {parts("-3", "-4"), {false, true},
         "考绩分第一部分:-3考绩分第二部分:-4考绩分第三部分:0考绩分第四部分:0最后的考绩分为:0", 0},
        {parts("-3", "-4"), {false, false},
         "考绩分第一部分:-3考绩分第二部分:-4考绩分第三部分:0考绩分第四部分:0最后的考绩分为:-7", -7},
        {parts("-3", "5", "0", "-1.5"), {true, false},
         "考绩分第一部分:-3考绩分第二部分:5考绩分第三部分:0考绩分第四部分:-1.5最后的考绩分为:5", 5},
        {parts("hh*2", "j", "h"), {true, false},
         "考绩分第一部分:0考绩分第二部分:考绩分第三部分:70考绩分第四部分:0最后的考绩分为:70", 70},
        // The fourth part is narrowed to single precision before it is logged and added.
        {parts("0", "0", "0", "1/3"), {true, false},
         "考绩分第一部分:0考绩分第二部分:0考绩分第三部分:0考绩分第四部分:0.3333333最后的考绩分为:0.3333333", 1.0f / 3},
    };
    Engine engine;
    for (const Case& c : cases) {
        const AssessmentOutcome out = AssessmentFormulas(c.parts).evaluate(engine, teacher(70), c.rules);
        ASSERT_TRUE(out.ok()) << c.log;
        EXPECT_EQ(out.score.logLine(), QString::fromUtf8(c.log));
        EXPECT_EQ(out.score.stored(), c.stored) << c.log;
    }
}

TEST(AssessmentFormulas, EachTeacherSeesOnlyHisOwnFiguresAsTheirTexts) {
    FormulaFigures f = teacher(245.0f / 3);
    f.a = 3;
    f.x = 1.0f / 3;
    const QStringList statements = figureStatements(f);
    ASSERT_EQ(statements.size(), 12);
    EXPECT_EQ(statements.first(), QStringLiteral("a=3"));
    EXPECT_EQ(statements[7], QStringLiteral("h=81.66666"));
    EXPECT_EQ(statements[9], QStringLiteral("x=0.3333333"));
    EXPECT_EQ(figureStatements(sampleFigures()).join(u' '),
              QStringLiteral("a=1 b=1 c=1 d=1 e=10 f=100 g=0 h=60 w=50 x=0.3 y=0.2 z=0.1"));

    Engine engine;
    engine.execute(QStringLiteral("k=5"));  // left over from an earlier teacher
    const AssessmentOutcome out =
        AssessmentFormulas(parts("h", "a", "k", "x*3")).evaluate(engine, f, NegativeRules{});
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(out.score.parts[0].type(), Type::Double);  // the value of the text 81.66666
    EXPECT_EQ(out.score.parts[0].text(), QStringLiteral("81.66666"));
    EXPECT_EQ(out.score.parts[1].type(), Type::Integer);
    EXPECT_TRUE(out.score.parts[2].isEmpty());
    EXPECT_EQ(out.score.parts[3].text(), QStringLiteral("0.9999999"));
}

// The formulas keep each figure statement parsed for the run: a teacher whose
// figure has a value seen before, under this name or another, must still see
// his own value.
TEST(AssessmentFormulas, ATeacherAfterOthersSeesWhatHeWouldSeeFirst) {
    std::vector<FormulaFigures> teachers;
    FormulaFigures f = teacher(70);
    teachers.push_back(f);
    f.a = 3, f.h = 81.66666f;
    teachers.push_back(f);
    f.g = -0.0f, f.f = 3;   // the bits of 0 and -0 differ, and f=3 is no a=3
    teachers.push_back(f);
    f.a = 1065353216, f.f = 1.0f;   // a count with a single's bits
    teachers.push_back(f);
    teachers.push_back(teacher(70));
    teachers.push_back(teachers[1]);

    const auto formulas = parts("h*1000+a", "f-g", "a", "g");
    const AssessmentFormulas kept(formulas);
    Engine engine, fresh;
    for (std::size_t i = 0; i < teachers.size(); ++i) {
        SCOPED_TRACE(i);
        const AssessmentOutcome got = kept.evaluate(engine, teachers[i], NegativeRules{false, false});
        const AssessmentOutcome first = AssessmentFormulas(formulas).evaluate(fresh, teachers[i], NegativeRules{false, false});
        ASSERT_EQ(got.ok(), first.ok());
        if (got.ok())
            EXPECT_EQ(got.score.logLine(), first.score.logLine());
        else
            EXPECT_EQ(got.error->kind, first.error->kind);
    }
}

TEST(AssessmentFormulas, AFormulaFailingForOneTeachersValuesIsAFailure) {
    Engine engine;
    FormulaFigures noRate = teacher(70);
    noRate.x = 0;
    const std::pair<std::array<QString, 4>, ErrorKind> cases[] = {
        {parts("b/x"), ErrorKind::DivisionByZero},
        {parts("(h-30/3"), ErrorKind::Syntax},
        {parts("0", "0", "0", "1E39"), ErrorKind::Overflow},  // the fourth part must fit a single
        {parts("1E300"), ErrorKind::Overflow},                // so must the stored score
    };
    for (const auto& [texts, kind] : cases) {
        const AssessmentOutcome out = AssessmentFormulas(texts).evaluate(engine, noRate, NegativeRules{});
        ASSERT_FALSE(out.ok()) << texts[0].toStdString();
        EXPECT_EQ(out.error->kind, kind) << texts[0].toStdString();
    }
}

TEST(AssessmentFormulas, EachPartIsLoggedAsEvaluatedAndAFailureKeepsThoseBeforeIt) {
    struct Case {
        std::array<QString, 4> parts;
        const char* logged;   // what reached the log, in order
        bool ok;
    };
    const Case cases[] = {
        {kDefaultParts,
         "考绩分第一部分:13.3333333333333|考绩分第二部分:40|考绩分第三部分:100|考绩分第四部分:0|"
         "最后的考绩分为:153.333333333333", true},
        // a is 2: the third part divides by 0 and stops the teacher after two parts.
        {parts("(h-30)/3", "(c/a-0.1)*100", "1/(a-2)"), "考绩分第一部分:13.3333333333333|考绩分第二部分:40", false},
        {parts("1/(a-2)"), "", false},
        // The fourth part fails in its narrowing, before it is logged.
        {parts("1", "2", "3", "1E39"), "考绩分第一部分:1|考绩分第二部分:2|考绩分第三部分:3", false},
        // A sum too large for the stored field: its line is written, then it fails.
        {parts("1E300"), "考绩分第一部分:1E+300|考绩分第二部分:0|考绩分第三部分:0|考绩分第四部分:0|最后的考绩分为:1E+300",
         false},
    };
    Engine engine;
    for (const Case& c : cases) {
        QStringList logged;
        const AssessmentOutcome out = AssessmentFormulas(c.parts).evaluate(
            engine, teacher(70), NegativeRules{}, [&](const QString& text) { logged << text; });
        EXPECT_EQ(out.ok(), c.ok) << c.logged;
        EXPECT_EQ(logged.join(u'|'), QString::fromUtf8(c.logged));
        if (c.ok) {
            EXPECT_EQ(logged.join(QString()), out.score.logLine());
        }
    }
}

TEST(FormulaTestRun, SampleValuesPassOrRefuseTheParts) {
    EXPECT_TRUE(FormulaTestRun(kDefaultParts));
    EXPECT_TRUE(FormulaTestRun(parts("Sqr(h)*10", "Round(c/a*100)", "CInt(f)", "Exp(h)")));
    EXPECT_TRUE(FormulaTestRun(parts("1E300")));  // summed as it is; only storing narrows it
    const std::pair<std::array<QString, 4>, ErrorKind> refused[] = {
        {parts("c/g"), ErrorKind::DivisionByZero},
        {parts("0", "(h-30/3"), ErrorKind::Syntax},
        {parts("0", "0", "Len(h)"), ErrorKind::Unsupported},
        {parts("0", "0", "0", ""), ErrorKind::Syntax},
        {parts("0", "0", "0", "1E39"), ErrorKind::Overflow},
        {parts("1E308", "1E308"), ErrorKind::Overflow},
    };
    for (const auto& [texts, kind] : refused) {
        EXPECT_FALSE(FormulaTestRun(texts));
        const auto failure = formulaTestFailure(texts);
        ASSERT_TRUE(failure.has_value());
        EXPECT_EQ(failure->kind, kind) << QStringList(texts.begin(), texts.end()).join(u'|').toStdString();
    }
    EXPECT_EQ(formulaFailureMessage(), QStringLiteral("您输入的考绩分计算式有误，请修改后重新计算。"));
}
