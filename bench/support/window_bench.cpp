#include "bench/support/window_bench.h"

namespace bench {

// Set before the application is made: it picks its platform then.
WindowBench::Offscreen::Offscreen() { qputenv("QT_QPA_PLATFORM", "offscreen"); }

WindowBench::WindowBench(int& argc, char** argv, Dialogs dialogs) : app_(argc, argv) {
    if (dialogs == Dialogs::Quiet) {
        quiet_.emplace();
        platform::setDialogService(&*quiet_);
    }
}

WindowBench::~WindowBench() {
    if (quiet_)
        platform::setDialogService(nullptr);
}

} // namespace bench
