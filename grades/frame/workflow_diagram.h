#pragma once
// The workflow window's content and layout, without a screen: the step boxes,
// the arrows between them, the explanation of each step, and where the
// viewport, the canvas and the scroll bars go for a given window size.
// Every length is in twips.

#include <QString>
#include <vector>

namespace frame {

// The full diagram; a window at least this large needs no scroll bars.
inline constexpr int kDiagramWidth = 9570;
inline constexpr int kDiagramHeight = 7230;
inline constexpr int kStepButtonHeight = 375;

struct WorkflowStep {
    int index;          // index of the step button Command1(index)
    QString caption;
    int left, top, width;
};
// The twelve step buttons, in the order the diagram lists them.
const std::vector<WorkflowStep>& workflowSteps();
// The text shown while the mouse is over step button `index`; "" for an index without one.
QString stepExplanation(int index);

// The label 新的考试开始 takes part in the arrows like a step.
inline constexpr int kNewExamLabel = -1;

struct Box { int left, top, width, height; };
// The box of a step button or of the label 新的考试开始.
Box diagramBox(int index);

struct Segment { int x1, y1, x2, y2; };
struct DiagramLine {
    int from, to;       // step indexes or kNewExamLabel
    bool green;         // a step every examination passes; black ones may be left out
    bool arrow;         // false: a plain joining line without heads
    Segment shaft;      // runs from `from` to `to`; the heads sit at its second end
};
// The arrows and the plain joining lines of the diagram.
const std::vector<DiagramLine>& workflowLines();
// The two short strokes of an arrow's head at the shaft's end.
std::vector<Segment> arrowHead(const Segment& shaft);

// Where the help window puts its parts. Values that could not be assigned
// (a negative size in a very small window, a zero scroll step) keep what the
// window had before, as the layout skips a failing assignment and goes on.
struct HelpGeometry {
    bool hBarVisible = false, vBarVisible = false;
    int hBarWidth = 0, hBarTop = 0;       // HScroll1: left 0
    int vBarHeight = 0, vBarLeft = 0;     // VScroll1: top 0
    int viewWidth = 0, viewHeight = 0;    // Picture1: at 0, 0
    int canvasWidth = kDiagramWidth, canvasHeight = kDiagramHeight;  // Frame1(0): at 0, 0
    int hMaximum = 32767, hLargeStep = 1, hSmallStep = 1;
    int vMaximum = 32767, vLargeStep = 1, vSmallStep = 1;
    int label1Width = 0;                  // Label1: left 3000

    bool operator==(const HelpGeometry&) const = default;
};
// The resize rules are written on the window's outer size. The frame here is
// whatever the window manager draws (none at all on some desktops), so the
// outer size is rebuilt from the client size with the frame the rules were
// drawn with: the bars then always sit just inside the client area.
inline constexpr int kHelpFrameWidth = 120;
inline constexpr int kHelpFrameHeight = 400;

// Layout of help mode for a window of outer size W x H (border and caption bar included).
HelpGeometry helpModeLayout(int W, int H, HelpGeometry current = {});

struct EditGeometry {
    int gridWidth = 0, gridHeight = 0;    // DataGrid1: at 0, 0
    bool operator==(const EditGeometry&) const = default;
};
// Layout of edit mode (the raw table editor) for a window of outer size W x H.
EditGeometry editModeLayout(int W, int H, EditGeometry current = {});

} // namespace frame
