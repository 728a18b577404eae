#include "grades/frame/core/lock_rules.h"

#include "platform/text/values.h"

#include <cstdint>
#include <limits>

const std::vector<LockedControl>& lockedControls() {
    // Level 0 leaves only help; 1 adds the two views; 2 adds the file menu and
    // marks entry; 3 opens everything.
    static const std::vector<LockedControl> controls = {
        {"Command1", 3}, {"Command2", 3}, {"Command3", 3}, {"Command4", 3},
        {"Command5", 3}, {"Command6", 1}, {"Command7", 1}, {"Command8", 2},
        {"MenuFile", 2}, {"MenuEDIT", 3}, {"MeuLook", 1},  {"menuSJ", 3},
        {"MenuTs", 3},
        // Help is never locked, whatever the row holds.
        {"Help", std::numeric_limits<int>::min()},
    };
    return controls;
}

int lockLevelFromText(const QString& text) {
    const int64_t level = platform::leadingWholeNumber(text);
    if (level > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (level < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return int(level);
}
