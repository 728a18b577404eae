#include "grades/calc/core/formula.h"

#include "platform/text/number_text.h"

#include <bit>
#include <cmath>

namespace calc {

using platform::Precision;
using platform::PlainNumberText;
using platform::script::Assignment;
using platform::script::Engine;
using platform::script::Error;
using platform::script::ErrorKind;
using platform::script::Expression;
using platform::script::Result;
using platform::script::Value;

QString formulaFailureMessage() {
    return QStringLiteral("您输入的考绩分计算式有误，请修改后重新计算。");
}

FormulaFigures sampleFigures() {
    FormulaFigures s;
    s.a = 1; s.b = 1; s.c = 1; s.d = 1; s.e = 10;
    s.f = 100; s.g = 0; s.h = 60;
    s.w = 50; s.x = 0.3f; s.y = 0.2f; s.z = 0.1f;
    return s;
}

namespace {

constexpr int kFormulaFigureCount = 12;

// Figure i of "a..e f g h w x y z": its name and its value's bits, a count as
// itself and a single-precision figure as its float's bits.
const char* formulaFigureName(int i) {
    static const char* const kNames[kFormulaFigureCount] = {"a", "b", "c", "d", "e", "f", "g", "h", "w", "x", "y", "z"};
    return kNames[i];
}

quint32 formulaFigureBits(int i, const FormulaFigures& v) {
    const int counts[] = {v.a, v.b, v.c, v.d, v.e};
    const float singles[] = {v.f, v.g, v.h, v.w, v.x, v.y, v.z};
    return i < 5 ? quint32(counts[i]) : std::bit_cast<quint32>(singles[i - 5]);
}

QString formulaFigureStatement(int i, const FormulaFigures& v) {
    const quint32 bits = formulaFigureBits(i, v);
    const QString value = i < 5 ? QString::number(qint32(bits))
                                : PlainNumberText(std::bit_cast<float>(bits), Precision::Single);
    return QLatin1String(formulaFigureName(i)) + u'=' + value;
}

} // namespace

QStringList figureStatements(const FormulaFigures& v) {
    QStringList out;
    for (int i = 0; i < kFormulaFigureCount; ++i) out << formulaFigureStatement(i, v);
    return out;
}

QString AssessmentScore::partLogText(size_t i, const Value& part) {
    static const char16_t* const kLabels[] = {u"考绩分第一部分:", u"考绩分第二部分:", u"考绩分第三部分:",
                                               u"考绩分第四部分:"};
    return QString::fromUtf16(kLabels[i]) + part.text();
}

QString AssessmentScore::sumLogText(const Value& sum) {
    return QStringLiteral("最后的考绩分为:") + sum.text();
}

QString AssessmentScore::logLine() const {
    QString line;
    for (size_t i = 0; i < parts.size(); ++i)
        line += partLogText(i, parts[i]);
    return line + sumLogText(sum);
}

AssessmentFormulas::AssessmentFormulas(const std::array<QString, 4>& parts) {
    for (size_t i = 0; i < parts.size(); ++i) parts_[i] = Expression::parse(parts[i]);
}

namespace {

// The four parts on one set of figures. The sample test sums them as they
// are; the assessment applies the negative rules and must fit its field.
// `statements`, when given, keeps each figure statement parsed for the next
// figures that have the same value.
AssessmentOutcome evaluateParts(const std::array<Expression, 4>& parts, Engine& engine,
                                const FormulaFigures& figures, std::optional<NegativeRules> rules,
                                std::unordered_map<quint64, Assignment>* statements,
                                const std::function<void(const QString&)>& log = {}) {
    AssessmentOutcome out;
    const auto failed = [&out](const Result& r) {
        if (r.ok()) return false;
        out.error = r.error;
        return true;
    };
    engine.reset();
    for (int i = 0; i < kFormulaFigureCount; ++i) {
        if (!statements) {
            if (failed(engine.execute(formulaFigureStatement(i, figures)))) return out;
            continue;
        }
        const quint64 key = quint64(i) << 32 | formulaFigureBits(i, figures);
        auto it = statements->find(key);
        if (it == statements->end())
            it = statements->emplace(key, Assignment::parse(formulaFigureStatement(i, figures))).first;
        if (failed(engine.execute(it->second))) return out;
    }

    for (size_t i = 0; i < parts.size(); ++i) {
        const Result r = engine.eval(parts[i]);
        if (failed(r)) return out;
        // Only the last part is narrowed; the others keep the precision they came with.
        const Result kept = i == 3 ? toSingle(r.value) : r;
        if (failed(kept)) return out;
        out.score.parts[i] = kept.value;
        if (log) log(AssessmentScore::partLogText(i, kept.value));
    }

    std::array<Value, 4> counted = out.score.parts;
    if (rules && rules->partsNotNegative)
        for (Value& part : counted)
            if (part.number() < 0) part = Value::integer(0);
    Value sum = counted[0];
    for (size_t i = 1; i < counted.size(); ++i) {
        const Result r = add(sum, counted[i]);
        if (failed(r)) return out;
        sum = r.value;
    }
    if (rules && rules->sumNotNegative && sum.number() < 0) sum = Value::integer(0);
    // Logged before it is stored: a sum too large for its field fails after its line.
    if (log) log(AssessmentScore::sumLogText(sum));
    if (rules && std::isinf(static_cast<float>(sum.number()))) {
        out.error = Error{ErrorKind::Overflow, QStringLiteral("Overflow")};
        return out;
    }
    out.score.sum = sum;
    return out;
}

} // namespace

AssessmentOutcome AssessmentFormulas::evaluate(Engine& engine, const FormulaFigures& figures,
                                               NegativeRules rules,
                                               const std::function<void(const QString&)>& log) const {
    return evaluateParts(parts_, engine, figures, rules, &statements_, log);
}

std::optional<Error> formulaTestFailure(const std::array<QString, 4>& parts) {
    std::array<Expression, 4> parsed;
    for (size_t i = 0; i < parts.size(); ++i) parsed[i] = Expression::parse(parts[i]);
    Engine engine;
    return evaluateParts(parsed, engine, sampleFigures(), std::nullopt, nullptr).error;
}

} // namespace calc
