#pragma once
// The main window's resize pass: its own controls, then each panel's.

#include "grades/frame/form2_layout.h"

class Form2Panel;

namespace form2 {

// One pass of the resize handling for a client area of the given size: the
// button row, the panel frames, the home panel, then each panel's own pass
// on its frame's size.
Form2Layout layoutForm2(double clientWidth, double clientHeight, bool minimised,
                        const std::vector<const Form2Panel*>& panels = {});

} // namespace form2
