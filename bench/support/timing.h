#pragma once
// The timing of the benchmarks: best of the rounds, and the lines that set a
// measured time against its raw baseline.

#include <QElapsedTimer>
#include <algorithm>
#include <initializer_list>

namespace bench {

inline double msSince(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e6; }

// Keeps the least time of the rounds in `best`.
inline void keepBest(double& best, double ms) { best = std::min(best, ms); }

// "what: layer 12.3 ms   raw 4.5 ms   ratio 2.73 (goal <= 3)", naming the
// measured side `side`; true when the goal is met.
bool printRatioLine(const char* what, const char* side, double measured, double raw, double goal);

// A table of measured times against their baselines: a heading, then one row
// a measurement with the ratio.
class RatioTable {
public:
    // `heading` stands over the names, `measured` over the measured times;
    // `goals` adds a last column naming each row's goal.
    RatioTable(int nameWidth, const char* heading, const char* measured, bool goals = false);
    // Prints the row and gives back the ratio.
    double row(const char* name, double measured, double raw, const char* goal = nullptr) const;

private:
    int nameWidth_;
};

} // namespace bench
