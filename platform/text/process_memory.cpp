#include "platform/text/process_memory.h"

#include <malloc.h>

namespace platform {

void keepFreedMemory() {
    // Blocks up to 32 MB come from the heap, which gives back its top only
    // beyond 64 MB free: a school's tables stay well inside both.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
}

} // namespace platform
