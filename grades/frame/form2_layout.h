#pragma once
// Where the main window puts its controls for a given size. A pure function
// of the window's client size in twips, so that it can be checked against
// known numbers without a screen; Form2 applies the result to its widgets.
//
// The rules were drawn on the outer window size (frame, caption and menu bar
// included) with a frame of 120 twips across and 690 down. Qt hands us the
// client size instead, so the outer size is rebuilt from it with those same
// margins: the controls keep their distances from the client edges whatever
// the real frame looks like here.

#include <QString>
#include <vector>

namespace form2 {

struct TwipsRect {
    double left = 0, top = 0, width = 0, height = 0;
    bool operator==(const TwipsRect&) const = default;
};

// Non-client size the rules assume.
inline constexpr double kFrameWidth = 120;
inline constexpr double kFrameHeight = 690;
// Smallest outer size; the client minimum follows from the margins.
inline constexpr double kMinOuterWidth = 7095;
inline constexpr double kMinOuterHeight = 5430;
inline constexpr double kMinClientWidth = kMinOuterWidth - kFrameWidth;    // 6975
inline constexpr double kMinClientHeight = kMinOuterHeight - kFrameHeight; // 4740

struct Placement {
    QString name;      // object name of the control, e.g. "Frame1_3", "DataGrid1"
    TwipsRect rect;    // in its container
};

struct Form2Layout {
    double clientWidth = 0, clientHeight = 0;  // after the minimum was enforced
    bool sizeCorrected = false;                // the window must be enlarged to this size
    bool laidOut = false;                      // false while minimised: nothing moves
    std::vector<Placement> placements;         // in the order they are assigned

    // The rect given to a control; throws std::out_of_range when it was not placed.
    const TwipsRect& at(const QString& name) const;
    bool has(const QString& name) const;
};

// Records the places of one pass, in the order they are given.
class LayoutPass {
public:
    explicit LayoutPass(Form2Layout& out) : out_(out) {}
    const TwipsRect& put(const QString& name, double left, double top, double width, double height);

private:
    Form2Layout& out_;
};

// Whole twips the way the rows of some panels are counted: half to even.
// Kept in int: a 16-bit value would overflow on very tall screens.
int wholeTwips(double x);

} // namespace form2
