#pragma once

namespace platform {

// The look the school's users know: password boxes show "*" for every character,
// check boxes and option buttons leave their caption the designed room.
// Installed once at program start, after the application object exists.
void installSystemStyle();

} // namespace platform
