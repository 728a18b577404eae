#pragma once
// Applies the lock level to the main window.

#include "grades/frame/core/lock_rules.h"

class QWidget;

// Enables or disables every control of lockedControls() in the main window
// for the given level: its own buttons and menu-bar menus only, never those
// of the windows it owns. Named controls that are missing are reported by a
// warning, not an error, so a half-built window still starts.
void ApplyLockLevel(QWidget* form2, int level, bool isAdministrator = false);
