#include "bench/support/timing.h"

#include <cstdio>

namespace bench {

bool printRatioLine(const char* what, const char* side, double measured, double raw, double goal) {
    const double ratio = measured / raw;
    std::printf("%s: %s %8.1f ms   raw %8.1f ms   ratio %.2f (goal <= %g)\n", what, side, measured, raw, ratio, goal);
    return ratio <= goal;
}

RatioTable::RatioTable(int nameWidth, const char* heading, const char* measured, bool goals) : nameWidth_(nameWidth) {
    std::printf("%-*s %10s %10s %8s%s\n", nameWidth_, heading, measured, "raw ms", "ratio", goals ? " goal" : "");
}

double RatioTable::row(const char* name, double measured, double raw, const char* goal) const {
    const double ratio = measured / raw;
    std::printf("%-*s %10.1f %10.1f %8.2f%s%s\n", nameWidth_, name, measured, raw, ratio, goal ? " " : "",
                goal ? goal : "");
    return ratio;
}

} // namespace bench
