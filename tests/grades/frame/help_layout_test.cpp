#include "grades/frame/workflow_diagram.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

using namespace frame;

namespace {

struct LayoutCase {
    const char* name;
    int W, H;
    bool hBar, vBar;
    int viewWidth, viewHeight, canvasWidth, canvasHeight;
    int hBarWidth, vBarHeight;
    int hMaximum, hLarge, hSmall;   // checked only while the bar is visible
    int vMaximum, vLarge, vSmall;
    int label1Width;
};

const LayoutCase kLayoutCases[] = {
    {"horizontal only", 8000, 8000, true, false, 8000, 7330, 9570, 7330, 7900, 0, 1570, 314, 105, 0, 0, 0, 6420},
    {"exactly the diagram", 9570, 7230, false, false, 9570, 7230, 9570, 7230, 0, 0, 0, 0, 0, 0, 0, 0, 6420},
    {"larger than the diagram", 12000, 9000, false, false, 12000, 9000, 12000, 9000, 0, 0, 0, 0, 0, 0, 0, 0, 8850},
    {"both bars at the opening size", 8400, 6330, true, true, 8040, 5660, 9570, 7230, 8040, 5660, 1530, 306, 102, 1570, 314, 105, 6420},
    {"vertical only", 10000, 6000, false, true, 9640, 6000, 9640, 7230, 0, 5600, 0, 0, 0, 1230, 246, 82, 6490},
};

TEST(HelpLayout, ResizeTableForEachSetOfBars) {
    for (const auto& c : kLayoutCases) {
        SCOPED_TRACE(c.name);
        const HelpGeometry g = helpModeLayout(c.W, c.H);
        EXPECT_EQ(g.hBarVisible, c.hBar);
        EXPECT_EQ(g.vBarVisible, c.vBar);
        EXPECT_EQ(g.viewWidth, c.viewWidth);
        EXPECT_EQ(g.viewHeight, c.viewHeight);
        EXPECT_EQ(g.canvasWidth, c.canvasWidth);
        EXPECT_EQ(g.canvasHeight, c.canvasHeight);
        // The bars sit just below and just right of the viewport.
        EXPECT_EQ(g.hBarTop, c.viewHeight);
        EXPECT_EQ(g.vBarLeft, c.viewWidth);
        if (c.hBar) {
            EXPECT_EQ(g.hBarWidth, c.hBarWidth);
            EXPECT_EQ(g.hMaximum, c.hMaximum);
            EXPECT_EQ(g.hLargeStep, c.hLarge);
            EXPECT_EQ(g.hSmallStep, c.hSmall);
        }
        if (c.vBar) {
            EXPECT_EQ(g.vBarHeight, c.vBarHeight);
            EXPECT_EQ(g.vMaximum, c.vMaximum);
            EXPECT_EQ(g.vLargeStep, c.vLarge);
            EXPECT_EQ(g.vSmallStep, c.vSmall);
        }
        EXPECT_EQ(g.label1Width, c.label1Width);
    }
}

TEST(HelpLayout, FailingAssignmentsKeepThePreviousValues) {
    const HelpGeometry before = helpModeLayout(8000, 8000);
    // Far too small: every size would be negative.
    const HelpGeometry g = helpModeLayout(300, 300, before);
    EXPECT_TRUE(g.hBarVisible);
    EXPECT_TRUE(g.vBarVisible);
    EXPECT_EQ(g.viewWidth, 8000);
    EXPECT_EQ(g.viewHeight, 7330);
    EXPECT_EQ(g.hBarWidth, before.hBarWidth);
    EXPECT_EQ(g.canvasWidth, 9570);
    EXPECT_EQ(g.canvasHeight, 7230);
    EXPECT_EQ(g.label1Width, 6420);

    // A maximum of 2 gives a large step of 0 and a small step of 0: both kept.
    const HelpGeometry nearlyWide = helpModeLayout(9568, 8000, before);
    EXPECT_EQ(nearlyWide.hMaximum, 2);
    EXPECT_EQ(nearlyWide.hLargeStep, before.hLargeStep);
    EXPECT_EQ(nearlyWide.hSmallStep, before.hSmallStep);

    // Without bars the explanation is as wide as the window allows, never negative.
    EXPECT_EQ(helpModeLayout(3000, 7500, before).label1Width, 6420);
}

TEST(HelpLayout, EditModeGridFillsTheWindow) {
    EXPECT_EQ(editModeLayout(8400, 6330), (EditGeometry{8300, 5930}));
    EXPECT_EQ(editModeLayout(50, 6330, {700, 500}), (EditGeometry{700, 5930}));
}

TEST(WorkflowDiagram, StepsAndExplanations) {
    std::set<int> indexes;
    for (const auto& s : workflowSteps()) {
        indexes.insert(s.index);
        EXPECT_FALSE(stepExplanation(s.index).isEmpty()) << s.index;
    }
    EXPECT_EQ(indexes, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13}));
    for (int none : {-1, 9, 10, 14})
        EXPECT_TRUE(stepExplanation(none).isEmpty()) << none;
    EXPECT_EQ(stepExplanation(12), QStringLiteral("使用分班操作可以避免重复输入学生姓名的麻烦,并有助于提高率的计算."));
}

bool onEdge(const Box& b, int x, int y) {
    const bool inside = x >= b.left && x <= b.left + b.width && y >= b.top && y <= b.top + b.height;
    const bool edge = x == b.left || x == b.left + b.width || y == b.top || y == b.top + b.height;
    return inside && edge;
}

bool strictlyInside(const Box& b, double x, double y) {
    return x > b.left && x < b.left + b.width && y > b.top && y < b.top + b.height;
}

TEST(WorkflowDiagram, ArrowsJoinTheStepsTheyNameInTheirColours) {
    std::set<std::pair<int, int>> green, black;
    for (const auto& l : workflowLines())
        if (l.arrow)
            (l.green ? green : black).insert({l.from, l.to});
    EXPECT_EQ(green, (std::set<std::pair<int, int>>{{1, 8}, {8, 3}, {3, 6}, {6, 2}, {2, 4}}));
    EXPECT_EQ(black, (std::set<std::pair<int, int>>{
                         {0, 1}, {kNewExamLabel, 1}, {7, 6}, {5, 2}, {2, 13}, {11, 12}}));

    std::vector<Box> boxes{diagramBox(kNewExamLabel)};
    for (const auto& s : workflowSteps())
        boxes.push_back(diagramBox(s.index));
    for (const auto& l : workflowLines()) {
        SCOPED_TRACE(testing::Message() << l.from << " -> " << l.to);
        const Segment& s = l.shaft;
        if (l.arrow) {
            EXPECT_TRUE(onEdge(diagramBox(l.from), s.x1, s.y1));
        }
        EXPECT_TRUE(onEdge(diagramBox(l.to), s.x2, s.y2));
        // No line runs through a box it does not join.
        for (int i = 0; i <= 100; ++i) {
            const double x = s.x1 + (s.x2 - s.x1) * i / 100.0, y = s.y1 + (s.y2 - s.y1) * i / 100.0;
            for (const auto& b : boxes)
                EXPECT_FALSE(strictlyInside(b, x, y)) << "at " << x << "," << y;
        }
    }
}

TEST(WorkflowDiagram, ArrowHeadPointsBackAlongTheShaft) {
    const auto head = arrowHead({0, 100, 1000, 100});
    ASSERT_EQ(head.size(), 2u);
    for (const auto& stroke : head) {
        EXPECT_EQ(stroke.x1, 1000);
        EXPECT_EQ(stroke.y1, 100);
        EXPECT_LT(stroke.x2, 1000);
    }
    EXPECT_EQ(head[0].x2, head[1].x2);
    EXPECT_EQ(head[0].y2 - 100, 100 - head[1].y2);
}

} // namespace
