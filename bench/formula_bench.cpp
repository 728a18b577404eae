// Measures the assessment formulas against the same arithmetic compiled in:
// 10,000 teachers with varied figures, the four default parts, parsed once.
//   (1) the whole per-teacher evaluation (reset, twelve statements, four parts, sum)
//   (2) the four parts alone over assigned variables
//   baseline: the parts written as C++ expressions, with the figures read from text as the statements do

#include "grades/calc/core/formula.h"

#include <QElapsedTimer>

#include <cstdio>
#include <random>
#include <vector>

using namespace platform::script;

namespace {

std::vector<calc::FormulaFigures> makeTeachers() {
    std::mt19937 rng(20040901);
    std::uniform_int_distribution<int> count(1, 60), mark(300, 1000);
    std::vector<calc::FormulaFigures> out(10000);
    for (auto& f : out) {
        f.a = 1 + count(rng) % 4; f.e = count(rng) * f.a;
        f.b = count(rng) % (f.e + 1); f.c = f.b + (f.e - f.b) / 2; f.d = f.e - f.c;
        f.f = mark(rng) / 10.0f; f.g = mark(rng) / 20.0f; f.h = (f.f + f.g) / 2;
        f.w = f.h - 1; f.x = float(f.c) / f.e; f.y = float(f.b) / f.e; f.z = float(f.d) / f.e;
    }
    return out;
}

} // namespace

int main() {
    const auto teachers = makeTeachers();
    const std::array<QString, 4> parts = {QStringLiteral("(h-30)/3"), QStringLiteral("(c/a-0.1)*100"),
                                          QStringLiteral("(b/a)*100+(c/a-j)*100"), QStringLiteral("0")};
    QElapsedTimer t;

    t.start();
    double baseline = 0;
    for (const auto& f : teachers) {
        // Figures pass through their texts in the real run too; the baseline pays for that as well.
        const QStringList statements = calc::figureStatements(f);
        const double a = statements[0].mid(2).toDouble(), b = statements[1].mid(2).toDouble();
        const double c = statements[2].mid(2).toDouble(), h = statements[7].mid(2).toDouble();
        baseline += (h - 30) / 3 + (c / a - 0.1) * 100 + (b / a) * 100 + (c / a) * 100 + 0;
    }
    const qint64 rawNs = t.nsecsElapsed();

    t.restart();
    const calc::AssessmentFormulas formulas(parts);
    Engine engine;
    double total = 0;
    for (const auto& f : teachers) {
        const auto out = formulas.evaluate(engine, f, calc::NegativeRules{false, false});
        if (!out.ok()) return 1;
        total += out.score.sum.number();
    }
    const qint64 wholeNs = t.nsecsElapsed();

    std::array<Expression, 4> parsed;
    for (size_t i = 0; i < parts.size(); ++i) parsed[i] = Expression::parse(parts[i]);
    engine.reset();
    for (const QString& s : calc::figureStatements(teachers.front())) engine.execute(s);
    t.restart();
    double partsOnly = 0;
    for (size_t n = 0; n < teachers.size(); ++n)
        for (const auto& p : parsed) partsOnly += engine.eval(p).value.number();
    const qint64 partsNs = t.nsecsElapsed();

    std::printf("teachers: %zu (sums %.6g / %.6g, check %.3g)\n", teachers.size(), baseline, total, partsOnly);
    std::printf("baseline (texts + compiled arithmetic): %8.1f us/teacher\n", rawNs / 1e3 / teachers.size());
    std::printf("(1) whole evaluation:                  %8.1f us/teacher  ratio %.2f\n",
                wholeNs / 1e3 / teachers.size(), double(wholeNs) / rawNs);
    std::printf("(2) four parsed parts only:            %8.1f us/teacher\n", partsNs / 1e3 / teachers.size());
    return 0;
}
