#pragma once
// How far the resident memory of this process rose over a piece of work: the
// kernel's peak is reset when this is made and read by growth().

#include <cstdint>

namespace testsupport {

class PeakMemory {
public:
    PeakMemory();
    // Bytes of the peak above the size when made; -1 where the peak cannot be
    // reset (then the test says so instead of passing on a stale peak).
    std::int64_t growth() const;
private:
    std::int64_t start_ = -1;
};

} // namespace testsupport
