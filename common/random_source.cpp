#include "common/random_source.h"

#include <chrono>

namespace {

// splitmix64: spreads one seed over the generator's state.
uint64_t splitmix(uint64_t& x) {
    uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

RandomSource* installed = nullptr;

} // namespace

ClockRandomSource::ClockRandomSource()
    : ClockRandomSource(uint64_t(std::chrono::system_clock::now().time_since_epoch().count()) ^
                        uint64_t(std::chrono::steady_clock::now().time_since_epoch().count())) {}

ClockRandomSource::ClockRandomSource(uint64_t seed) {
    state_[0] = splitmix(seed);
    state_[1] = splitmix(seed);
    if (state_[0] == 0 && state_[1] == 0)
        state_[1] = 1;
}

double ClockRandomSource::next() {
    uint64_t s1 = state_[0];
    const uint64_t s0 = state_[1];
    state_[0] = s0;
    s1 ^= s1 << 23;
    state_[1] = s1 ^ s0 ^ (s1 >> 17) ^ (s0 >> 26);
    // The top 53 bits as a fraction: never 1.
    return double((state_[1] + s0) >> 11) * 0x1.0p-53;
}

RandomSource& randomSource() {
    if (installed)
        return *installed;
    static ClockRandomSource own;
    return own;
}

void setRandomSource(RandomSource* source) { installed = source; }
