#include "grades/frame/form2_layout.h"

#include <gtest/gtest.h>

using form2::layoutForm2;
using form2::kFrameHeight;
using form2::kFrameWidth;

namespace {

// The rules are stated on the outer size; the function takes the client size.
form2::Form2Layout atOuter(double w, double h, bool minimised = false) {
    return layoutForm2(w - kFrameWidth, h - kFrameHeight, minimised);
}

struct Expect { const char* name; double left, top, width, height; };

void expectAll(const form2::Form2Layout& l, std::initializer_list<Expect> rows) {
    for (const auto& e : rows) {
        SCOPED_TRACE(e.name);
        ASSERT_TRUE(l.has(e.name));
        const auto& r = l.at(e.name);
        EXPECT_NEAR(r.left, e.left, 0.01);
        EXPECT_NEAR(r.top, e.top, 0.01);
        EXPECT_NEAR(r.width, e.width, 0.01);
        EXPECT_NEAR(r.height, e.height, 0.01);
    }
}

} // namespace

TEST(Form2Layout, MinimumSizeIsEnforcedBeforeAnythingMoves) {
    struct Case { double w, h, wantW, wantH; bool corrected; };
    const Case cases[] = {
        {7095, 5430, 7095, 5430, false},  // exactly the minimum: no change
        {7095, 5429, 7095, 5430, true},
        {7094, 5430, 7095, 5430, true},
        {3000, 2000, 7095, 5430, true},
        {9000, 7000, 9000, 7000, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
        const auto l = atOuter(c.w, c.h);
        EXPECT_TRUE(l.laidOut);
        EXPECT_EQ(l.sizeCorrected, c.corrected);
        EXPECT_EQ(l.clientWidth + kFrameWidth, c.wantW);
        EXPECT_EQ(l.clientHeight + kFrameHeight, c.wantH);
    }
}

TEST(Form2Layout, MinimisedWindowIsNeitherEnlargedNorLaidOut) {
    const auto l = atOuter(1000, 500, true);
    EXPECT_FALSE(l.laidOut);
    EXPECT_FALSE(l.sizeCorrected);
    EXPECT_TRUE(l.placements.empty());
    EXPECT_EQ(l.clientWidth, 1000 - kFrameWidth);
}

TEST(Form2Layout, ButtonRowAndPanelsAtTheMinimumSize) {
    const auto l = atOuter(7095, 5430);
    expectAll(l, {
        {"Command1", 259.5, 4080, 735, 375}, {"Command2", 1081.5, 4080, 735, 375},
        {"Command3", 1903.5, 4080, 735, 375}, {"Command4", 2725.5, 4080, 735, 375},
        {"Command8", 3547.5, 4080, 735, 375}, {"Command5", 4369.5, 4080, 735, 375},
        {"Command6", 5191.5, 4080, 735, 375}, {"Command7", 6013.5, 4080, 735, 375},
        {"Frame1_0", 200, 200, 6595, 3615},
    });
    for (int i = 1; i <= 8; ++i)
        expectAll(l, {{qPrintable(QStringLiteral("Frame1_%1").arg(i)), 200, 200, 6595, 4415}});
    // In client terms: the button row ends 285 twips above the bottom edge and
    // the panels' right edge is 180 twips inside the right edge.
    EXPECT_DOUBLE_EQ(l.clientHeight - (l.at("Command1").top + 375), 285);
    EXPECT_DOUBLE_EQ(l.clientWidth - (200 + l.at("Frame1_0").width), 180);
}

TEST(Form2Layout, PanelsShortenByEightHundredAboveSixTwoHundred) {
    const auto at6200 = atOuter(8000, 6200);
    const auto at6201 = atOuter(8000, 6201);
    EXPECT_DOUBLE_EQ(at6200.at("Frame1_3").height, 5185);
    EXPECT_DOUBLE_EQ(at6200.at("Frame1_0").height, 4385);
    EXPECT_DOUBLE_EQ(at6201.at("Frame1_3").height, 4386);
    EXPECT_DOUBLE_EQ(at6201.at("Frame1_0").height, 4386);
    // Every member is set, whichever is showing.
    for (int i = 0; i <= 8; ++i)
        EXPECT_TRUE(at6201.has(QStringLiteral("Frame1_%1").arg(i)));
}

TEST(Form2Layout, HomePanelFollowsItsBottomEdge) {
    const auto l = atOuter(7095, 5430);  // home panel 6595 x 3615
    expectAll(l, {
        {"Label2", 480, 1320, 5415, 855},
        {"Label5", 120, 3240, 6375, 255},
        {"Label3", 240, 2880, 3375, 255},
        {"Text1", 120, 360, 6135, 2415},
    });
}

TEST(Form2Layout, StudentPanelRowsMoveInWholeTwips) {
    const auto l = atOuter(7095, 5430);  // panel 6595 x 4415: y = 1420
    expectAll(l, {
        {"la12", 360, 1420, 855, 255}, {"Te11", 1320, 1320, 1815, 495},
        {"Com10", 2640, 1925, 735, 375}, {"Comm11", 1040, 1925, 735, 375},
        {"tx12", 2760, 2850, 615, 270}, {"Ad1", 240, 3700, 3135, 375},
        {"DataGrid1", 3600, 360, 2655, 3715},
    });
}

TEST(Form2Layout, ExamNumberBuilderIsCentred) {
    const auto l = atOuter(7095, 5430);  // panel 6595 x 4415, viewer 6315 x 3955, z = 1660
    expectAll(l, {
        {"Frame4_0", 230, 280, 6135, 3855},
        {"Frame4_1", 240, 240, 6315, 3955},
        {"DataGrid3", 2160, 120, 4035, 3495},
        {"Option5", 240, 1610.5, 855, 255},
        {"Combo6", 120, 1984.5, 1815, 300},
        {"Lakh1", 0, 2500, 2175, 255},
        {"Ad32", 120, 3340, 1815, 375},
    });
}

TEST(Form2Layout, TeacherPanelRowTakesHalvesToEven) {
    struct Case { double panelHeight; int y; };
    for (const Case c : {Case{4411, 200}, Case{4433, 202}}) {
        SCOPED_TRACE(c.panelHeight);
        const auto l = atOuter(7095, c.panelHeight + 1815);
        ASSERT_DOUBLE_EQ(l.at("Frame1_2").height, c.panelHeight);
        EXPECT_DOUBLE_EQ(l.at("La21").top, c.y);
        EXPECT_DOUBLE_EQ(l.at("Com23").top, c.y + 525);
    }
    const auto l = atOuter(7095, 5430);  // panel 4415: assignment frame at whole(2943.33 - 1197)
    expectAll(l, {
        {"Frame3_0", 240, 240, 3855, 4415 / 3.55},
        {"Frame2_0", 240, 1746, 3855, 2329},
        {"List1", 2280, 240, 1455, 1894},
        {"DataGrid2", 4200, 360, 2175, 3715},
    });
}

TEST(Form2Layout, FullMarkNoteStaysCentred) {
    expectAll(atOuter(7095, 5430), {
        {"La42", 350, 3700, 5895, 375},
        {"DataGrid4", 360, 960, 5895, 2395},
    });
}

TEST(Form2Layout, MarkEntryRowsKeepFractionsOfTheHeight) {
    const auto l = atOuter(7095, 5430);
    expectAll(l, {
        {"Combo7", 360, 367.92, 1455, 300},
        {"Option7", 1200, 870.92, 735, 255},
        {"Comout_7", 2040, 847.92, 735, 375},
        {"La81", 360, 1350.15, 965, 225},
        {"La83", 360, 1964.84, 855, 255},
        {"Label11", 1325, 1340.15, 1455, 255},
        {"La89", 240, 3319.55, 2655, 255},
        {"Ad8", 360, 3700, 2415, 375},
        {"DataGrid5", 3000, 360, 3375, 3715},
    });
}

TEST(Form2Layout, RunningTwiceGivesTheSameResult) {
    const auto a = atOuter(12345, 9876);
    const auto b = layoutForm2(a.clientWidth, a.clientHeight, false);
    ASSERT_EQ(a.placements.size(), b.placements.size());
    for (size_t i = 0; i < a.placements.size(); ++i) {
        EXPECT_EQ(a.placements[i].name, b.placements[i].name);
        EXPECT_EQ(a.placements[i].rect, b.placements[i].rect);
    }
}
