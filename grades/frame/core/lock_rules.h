#pragma once
// What a normal user may still use of the main window at each lock level
// (settings row 35). The administrator is never limited.

#include <QString>
#include <vector>

// One panel button or top-level menu of the main window and the lowest lock
// level at which a normal user may use it.
struct LockedControl {
    QString name;      // objectName in the main window
    int lowestLevel;   // usable when level >= lowestLevel
};

// The panel buttons Command1..Command8 and the six top-level menus.
const std::vector<LockedControl>& lockedControls();

// The number a lock-level text starts with, rounded half to even; 0 when
// the text does not start with a number. "3" and anything above limits nobody.
int lockLevelFromText(const QString& text);
