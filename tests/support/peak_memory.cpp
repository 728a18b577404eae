#include "support/peak_memory.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace testsupport {

namespace {

// A field of /proc/self/status in bytes ("VmRSS:   1234 kB"); -1 when absent.
std::int64_t statusBytes(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(in, line)) {
        if (line.compare(0, key.size(), key) != 0)
            continue;
        std::istringstream values(line.substr(key.size()));
        std::int64_t kb = -1;
        values >> kb;
        return kb < 0 ? -1 : kb * 1024;
    }
    return -1;
}

} // namespace

PeakMemory::PeakMemory() {
    // "5" resets the peak resident size to the current one.
    std::ofstream reset("/proc/self/clear_refs");
    reset << "5";
    reset.flush();
    if (reset.good())
        start_ = statusBytes("VmRSS");
}

std::int64_t PeakMemory::growth() const {
    if (start_ < 0)
        return -1;
    const std::int64_t peak = statusBytes("VmHWM");
    return peak < 0 ? -1 : peak - start_;
}

MemoryLimit::MemoryLimit(std::int64_t headroom) {
    getrlimit(RLIMIT_AS, &limit_);
    const std::int64_t mapped = statusBytes("VmSize");
    rlimit limit = limit_;
    limit.rlim_cur = rlim_t(mapped + headroom);
    if (mapped < 0 || setrlimit(RLIMIT_AS, &limit) != 0)
        std::abort();   // a test using it would pass for nothing
}

MemoryLimit::~MemoryLimit() { setrlimit(RLIMIT_AS, &limit_); }

} // namespace testsupport
