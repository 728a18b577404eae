#pragma once
// How the program keeps the memory it frees.

namespace platform {

// Freed memory stays with the program for its next use instead of going back
// to the system at once: a calculation takes and frees tens of megabytes, and
// every page given back is a page fault when it is taken again. Called once at
// the start, before the first allocation that matters.
void keepFreedMemory();

} // namespace platform
