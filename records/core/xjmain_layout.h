#pragma once
// Where the records program's main window puts its tree, its list and its
// status panels, as a pure function of the window's outer size in twips.
// The window applies it to Qt's client size, rebuilding the outer size with
// fixed frame margins (caption, menu bar and borders), as the grade program's
// main window does.

#include <optional>

namespace records {

struct Rect {
    double left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Rect&) const = default;
};

inline constexpr double kXJmainFrameWidth = 120;
inline constexpr double kXJmainFrameHeight = 690;
inline constexpr double kTreeWidth = 2000;

// A part that would get a negative size keeps where it was (none here).
struct XJmainLayout {
    std::optional<Rect> tree;
    std::optional<Rect> list;
    std::optional<double> panel1Width;
    std::optional<double> panel2Width;
};

XJmainLayout layoutXJmain(double outerWidth, double outerHeight, bool toolbarVisible, double toolbarHeight,
                          double statusBarWidth);

} // namespace records
