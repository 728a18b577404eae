#pragma once
// A random source that hands out the numbers a test gives, in order, and
// installs itself as the program's source while it lives. Drawing past the
// script, or leaving numbers undrawn, fails the test: either means the code
// drew a different number of times than the test expects.

#include "common/random_source.h"

#include <vector>

class ScriptedRandom : public RandomSource {
public:
    explicit ScriptedRandom(std::vector<double> values = {});
    ~ScriptedRandom() override;
    ScriptedRandom(const ScriptedRandom&) = delete;
    ScriptedRandom& operator=(const ScriptedRandom&) = delete;

    ScriptedRandom& then(double value);
    ScriptedRandom& then(const std::vector<double>& values);
    double next() override;
    int drawn() const { return next_; }
    int left() const { return int(values_.size()) - next_; }

private:
    std::vector<double> values_;
    int next_ = 0;
    RandomSource* previous_;
};
