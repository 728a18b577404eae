#pragma once
// A monotonic clock read in a few nanoseconds, to a few milliseconds: for the
// check, made at every mark of a calculation, whether it is time to let the
// window answer. The exact clock costs tens of nanoseconds a reading, which
// over the two hundred thousand checks of a school was several milliseconds.

#include <chrono>
#include <ctime>

namespace platform {

struct CoarseClock {
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<CoarseClock>;
    static constexpr bool is_steady = true;

    static time_point now() noexcept {
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
        return time_point(duration(rep(t.tv_sec) * 1'000'000'000 + t.tv_nsec));
    }
};

} // namespace platform
