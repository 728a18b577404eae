#include "support/scripted_random.h"

#include <gtest/gtest.h>

namespace {
RandomSource* current = nullptr;
}

ScriptedRandom::ScriptedRandom(std::vector<double> values) : values_(std::move(values)), previous_(current) {
    setRandomSource(this);
    current = this;
}

ScriptedRandom::~ScriptedRandom() {
    if (left() > 0)
        ADD_FAILURE() << "scripted random source: " << left() << " number(s) never drawn";
    setRandomSource(previous_);
    current = previous_;
}

ScriptedRandom& ScriptedRandom::then(double value) {
    values_.push_back(value);
    return *this;
}

ScriptedRandom& ScriptedRandom::then(const std::vector<double>& values) {
    values_.insert(values_.end(), values.begin(), values.end());
    return *this;
}

double ScriptedRandom::next() {
    if (next_ >= int(values_.size())) {
        ADD_FAILURE() << "scripted random source: draw " << next_ + 1 << " is past the script";
        ++next_;
        return 0;
    }
    return values_[next_++];
}
