#include "grades/frame/form2_resize.h"

#include "grades/app/main_window.h"
#include "grades/frame/form2_panel.h"

#include <gtest/gtest.h>

using form2::layoutForm2;
using form2::kFrameHeight;
using form2::kFrameWidth;

namespace {

// The panels of the main window, as the window lays them out.
const std::vector<const Form2Panel*>& panels() {
    static const auto owned = makeMainWindowPanels();
    static const std::vector<const Form2Panel*> all = [] {
        std::vector<const Form2Panel*> v;
        for (const auto& p : owned)
            v.push_back(p.get());
        return v;
    }();
    return all;
}

// The rules are stated on the outer size; the function takes the client size.
form2::Form2Layout atOuter(double w, double h, bool minimised = false) {
    return layoutForm2(w - kFrameWidth, h - kFrameHeight, minimised, panels());
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
    const auto b = layoutForm2(a.clientWidth, a.clientHeight, false, panels());
    ASSERT_EQ(a.placements.size(), b.placements.size());
    for (size_t i = 0; i < a.placements.size(); ++i) {
        EXPECT_EQ(a.placements[i].name, b.placements[i].name);
        EXPECT_EQ(a.placements[i].rect, b.placements[i].rect);
    }
}

TEST(Form2Layout, CalculationPanelAtTheMinimumSize) {
    const auto l = atOuter(7095, 5430);  // panel 6595 x 4415, lower frames 6255 x 2035
    expectAll(l, {
        {"Frame9", 4200, 360, 2175, 1455}, {"Frame8", 2160.5, 360, 1935, 1455},
        {"Te52", 1320, 2040, 975, 270}, {"Text3", 2640, 2040, 975, 270},
        {"Text4", 3960, 2040, 975, 270}, {"Text5", 5280, 2040, 975, 270},
        {"Label10_0", 2345, 2055, 255, 255}, {"Label10_1", 3665, 2055, 255, 255},
        {"Label10_2", 4985, 2055, 255, 255},
        {"Frame10_0", 120, 2280, 6255, 2035}, {"Frame10_1", 120, 2280, 6255, 2035},
        {"Te53", 1680, 1080, 2175, 270}, {"Com53", 4080, 960, 735, 375},
        {"Command9", 4920, 240, 1335, 375}, {"Com51", 4920, 600, 1335, 375},
        {"Comout_4", 4920, 960, 1335, 375},
        {"La51_0", 360, 1675, 855, 255}, {"La51_1", 2280, 1675, 855, 255},
        {"La51_2", 4200, 1675, 855, 255},
        {"Te51_0", 1320, 1660, 735, 270}, {"Te51_1", 3120, 1660, 735, 270},
        {"Te51_2", 5040, 1660, 735, 270},
        {"Pict50", 240, 1300, 5895, 375}, {"Command10", 4920, 240, 1215, 375},
        {"Lab51_0", 120, 820, 975, 200}, {"Lab51_1", 1320, 820, 975, 200},
        {"Lab51_2", 2520, 820, 975, 200}, {"Lab51_3", 3720, 820, 375, 200},
        {"Lab51_4", 4320, 820, 375, 200}, {"Lab51_5", 4920, 820, 375, 200},
        {"Lab51_6", 5520, 820, 615, 200},
    });
    // The bar inside Pict50 belongs to the calculation, which sets its width as it goes.
    EXPECT_FALSE(l.has("Te50"));
}

TEST(Form2Layout, ResultsPanelAtTheMinimumSize) {
    const auto l = atOuter(7095, 5430);  // view frames 6375 x 3235
    for (int k = 0; k < 4; ++k)
        expectAll(l, {{qPrintable(QStringLiteral("Frame12_%1").arg(k)), 120, 120, 6375, 3235}});
    expectAll(l, {
        {"DataGrid6", 0, 0, 6375, 3135},
        {"Te61", 120, 3940, 3375, 375}, {"Com64", 3600, 3940, 615, 375},
        {"Com61", 4360, 3940, 615, 375}, {"Com62", 5120, 3940, 615, 375},
        {"Comout_5", 5880, 3940, 615, 375}, {"Com65", 5880, 3460, 615, 375},
        {"Combo9", 3600, 3460, 1335, 300}, {"Combo10", 4920, 3460, 855, 300},
        {"Ad61", 120, 3460, 2055, 420}, {"Frame11", 2160.5, 3340, 1335, 735},
        {"Lab6a", 3930, 50, 1215, 255}, {"Lab6b", 5160, 50, 1215, 255},
        {"Text2", 0, 480, 6375, 2735},
        {"Text6", 120, 120, 6140, 1253.76}, {"Text7", 120, 1473.76, 6140, 1731.24},
    });
}

TEST(Form2Layout, TeacherScorePanelAtTheMinimumSize) {
    expectAll(atOuter(7095, 5430), {
        {"List2", 4080, 360, 2295, 2140}, {"List3", 4080, 360, 2295, 2140},
        {"Combo11", 4080, 3460, 2415, 300}, {"Com71", 4080, 3940, 735, 375},
        {"Com72", 4920, 3940, 615, 375}, {"Comout_6", 5760, 3940, 735, 375},
        {"Com74", 5760, 2740, 735, 375}, {"Text8", 240, 840, 3615, 2995},
        {"Ad71", 240, 3940, 3615, 330}, {"Label7", 2520, 360, 1335, 375},
    });
}

// 2000 twips wider and 1200 higher panels than at the minimum (8595 x 5615).
TEST(Form2Layout, LowerPanelsShareTheirGrowth) {
    const auto l = atOuter(9095, 7430);
    ASSERT_DOUBLE_EQ(l.at("Frame1_5").width, 8595);
    ASSERT_DOUBLE_EQ(l.at("Frame1_5").height, 5615);
    const double text6 = 4435 * 1215.0 / 3135;  // view frames 8375 x 4435
    expectAll(l, {
        // The formula boxes take a quarter each; the boxes to the right move with them.
        {"Te52", 1320, 2040, 1475, 270}, {"Text3", 3140, 2040, 1475, 270},
        {"Text4", 4960, 2040, 1475, 270}, {"Text5", 6780, 2040, 1475, 270},
        {"Label10_2", 6485, 2055, 255, 255},
        {"Frame9", 6200, 360, 2175, 1455}, {"Frame8", 3160.5, 360, 1935, 1455},
        {"Frame10_0", 120, 2280, 8255, 3235}, {"Te53", 1680, 1080, 4175, 270},
        {"Com53", 6080, 960, 735, 375}, {"Comout_4", 6920, 960, 1335, 375},
        {"Te51_2", 5040, 2860, 735, 270}, {"Pict50", 240, 2500, 7895, 375},
        {"Lab51_6", 5520, 2020, 615, 200}, {"Command10", 6920, 240, 1215, 375},
        {"DataGrid6", 0, 0, 8375, 4335}, {"Text2", 0, 480, 8375, 3935},
        {"Text6", 120, 120, 8140, text6}, {"Text7", 120, 220 + text6, 8140, 4435 - text6 - 250},
        {"Lab6a", 5930, 50, 1215, 255}, {"Frame11", 3160.5, 4540, 1335, 735},
        {"Te61", 120, 5140, 5375, 375}, {"Comout_5", 7880, 5140, 615, 375},
        {"Text8", 240, 840, 5615, 4195}, {"List2", 6080, 360, 2295, 3340},
        {"Com74", 7760, 3940, 735, 375}, {"Label7", 4520, 360, 1335, 375},
    });
}
