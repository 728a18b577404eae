#pragma once
// Where the shuffles (exam numbers, class division) take their chance from.
// The program draws from a generator seeded from the clock, so two runs give
// different orders; tests install a scripted source and predict every order.

#include <cstdint>

class RandomSource {
public:
    virtual ~RandomSource() = default;
    // A number uniform in [0, 1).
    virtual double next() = 0;
};

// The program's own source, seeded from the clock.
class ClockRandomSource : public RandomSource {
public:
    ClockRandomSource();
    explicit ClockRandomSource(uint64_t seed);
    double next() override;
private:
    uint64_t state_[2];   // xorshift128+; small, fast and good enough for seating
};

// The source in use: the installed one, else one clock-seeded source for the run.
RandomSource& randomSource();
// Installs a source (tests); nullptr goes back to the clock-seeded one.
void setRandomSource(RandomSource* source);
