#pragma once
// The teacher assessment formulas: four parts the user writes over a
// teacher's twelve figures, evaluated by the script engine. A part that
// cannot be evaluated is a failure the caller reports, never a score.

#include "platform/script/engine.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>
#include <unordered_map>

namespace calc {

// What the user is told of any formula failure (title "提示").
QString formulaFailureMessage();

// The figures a formula sees, named as the formulas name them: a to e are
// counts, the others single-precision values.
struct FormulaFigures {
    int a = 0, b = 0, c = 0, d = 0, e = 0;
    float f = 0, g = 0, h = 0, w = 0, x = 0, y = 0, z = 0;
};

// The figures of the sample test run before any data is touched:
// a=1 b=1 c=1 d=1 e=10 f=100 g=0 h=60 w=50 x=0.3 y=0.2 z=0.1.
FormulaFigures sampleFigures();

// The twelve statements "a=..." to "z=..." in their order, each value as its
// plain number text ("h=81.66666", "x=0.3333333"), so a formula sees the
// value of that text.
QStringList figureStatements(const FormulaFigures& figures);

// The negative-value options of the calculation panel.
struct NegativeRules {
    bool partsNotNegative = true;  // a part below 0 counts as 0 in the sum
    bool sumNotNegative = false;   // a sum below 0 becomes 0
};

struct AssessmentScore {
    // The parts as evaluated (before the parts rule); the fourth narrowed
    // to a single-precision number.
    std::array<platform::script::Value, 4> parts;
    platform::script::Value sum;  // after the sum rule
    // The log line of the score, without its line end.
    QString logLine() const;
    // The log's piece for part i (0-based) as evaluated, and for the sum.
    static QString partLogText(size_t i, const platform::script::Value& part);
    static QString sumLogText(const platform::script::Value& sum);
    // The sum narrowed to the single-precision field it is stored in.
    float stored() const { return static_cast<float>(sum.number()); }
};

struct AssessmentOutcome {
    AssessmentScore score;
    std::optional<platform::script::Error> error;
    bool ok() const { return !error; }
};

// The four formula parts, parsed once for a whole run.
class AssessmentFormulas {
public:
    explicit AssessmentFormulas(const std::array<QString, 4>& parts);

    // One teacher: reset the engine, execute the twelve statements,
    // evaluate the four parts and sum them by the rules. Each part's log text
    // goes to `log` as soon as it is evaluated, then the sum's, so a part
    // that fails leaves the ones before it in the log.
    AssessmentOutcome evaluate(platform::script::Engine& engine, const FormulaFigures& figures,
                               NegativeRules rules,
                               const std::function<void(const QString&)>& log = {}) const;

private:
    std::array<platform::script::Expression, 4> parts_;
    // The figure statements met so far, parsed once a run: by figure and
    // value, which decide the statement's text.
    mutable std::unordered_map<quint64, platform::script::Assignment> statements_;
};

// The sample test: the four parts on the sample figures, summed. The values
// are discarded; any failure means the formulas must be corrected.
std::optional<platform::script::Error> formulaTestFailure(const std::array<QString, 4>& parts);
inline bool FormulaTestRun(const std::array<QString, 4>& parts) { return !formulaTestFailure(parts); }

} // namespace calc
