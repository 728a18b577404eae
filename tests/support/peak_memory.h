#pragma once
// How far the resident memory of this process rose over a piece of work: the
// kernel's peak is reset when this is made and read by growth().

#include <cstdint>
#include <sys/resource.h>

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

// While it lives, this process can map only `headroom` bytes more than it has
// mapped now: a larger allocation fails as when memory runs out (std::bad_alloc).
// Keep it around the work alone, as every thread of the process is held to it.
// The sanitizers' allocators map far more than they use: not for their builds.
class MemoryLimit {
public:
    explicit MemoryLimit(std::int64_t headroom);
    ~MemoryLimit();
    MemoryLimit(const MemoryLimit&) = delete;
    MemoryLimit& operator=(const MemoryLimit&) = delete;
private:
    rlimit limit_{};
};

} // namespace testsupport
