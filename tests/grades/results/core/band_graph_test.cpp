// The advanced view's charts: the bars counted from a class's marks, the
// students' bars, and the layout in twips.

#include "grades/results/core/band_graph.h"

#include "platform/db/recordset.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <QRect>
#include <gtest/gtest.h>

using namespace bands;
using platform::db::Recordset;

namespace {

constexpr int W = 6975, H = 4815;
constexpr float Area = W - 1600;   // 5375

GraphData data(std::vector<float> values, QStringList labels = {}) {
    while (labels.size() < qsizetype(values.size())) labels << QStringLiteral("L%1").arg(labels.size() + 1);
    return {std::move(values), labels};
}

TEST(ChartLayout, BandCountsScaleToTheLargest) {
    const ChartLayout l = layoutBandChart(data({3, 10, 5}), ChartMode::Bands, "数学", W, H);
    ASSERT_TRUE(l.message.isEmpty());
    ASSERT_EQ(l.bars.size(), 3u);
    const float lengths[] = {0.3f * Area, Area, 0.5f * Area};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(l.bars[i].top, 100 + 400 * i);
        EXPECT_FLOAT_EQ(l.bars[i].length, lengths[i]);
        EXPECT_FLOAT_EQ(l.bars[i].valueLeft, 1010 + lengths[i]);
        EXPECT_EQ(l.bars[i].label, QStringLiteral("L%1").arg(i + 1));
    }
    EXPECT_EQ(l.bars[1].valueText, " 10");
    EXPECT_EQ(l.canvasLeft, -10);
    EXPECT_EQ(l.canvasTop, 0);
    EXPECT_EQ(l.canvasWidth, W);
    EXPECT_EQ(l.canvasHeight, H + 400);   // 1300 fits
    EXPECT_FALSE(l.scrollVisible);
}

TEST(ChartLayout, CanvasHeightScrollBarAndTheEightyBarLimit) {
    struct Case {
        int bars;
        int canvasHeight;
        bool scroll;
        int maximum;
    };
    const Case cases[] = {
        {1, 5215, false, 0}, {11, 5215, false, 0}, {12, 4900, true, 135}, {80, 32100, true, 27335}};
    for (const Case& c : cases) {
        const ChartLayout l = layoutBandChart(data(std::vector<float>(size_t(c.bars), 1.0f)), ChartMode::Students,
                                              "数学", W, H);
        EXPECT_TRUE(l.message.isEmpty()) << c.bars;
        EXPECT_EQ(int(l.bars.size()), c.bars);
        EXPECT_EQ(l.canvasHeight, c.canvasHeight) << c.bars;
        EXPECT_EQ(l.scrollVisible, c.scroll) << c.bars;
        if (c.scroll) {
            EXPECT_EQ(l.scrollMaximum, c.maximum);
            EXPECT_EQ(l.scrollMinimum, 10);
            EXPECT_EQ(l.smallStep, 200);
            EXPECT_EQ(l.largeStep, 1000);
        }
    }
    // 81 bars, or none: the message on a canvas the viewport's size.
    for (int n : {81, 0}) {
        for (ChartMode mode : {ChartMode::Bands, ChartMode::Students}) {
            const ChartLayout l = layoutBandChart(data(std::vector<float>(size_t(n), 1.0f)), mode, "数学", W, H);
            EXPECT_TRUE(l.bars.empty());
            EXPECT_EQ(l.message, mode == ChartMode::Bands ? kBandGraphMessage : kStudentChartMessage);
            EXPECT_EQ(QRect(l.canvasLeft, l.canvasTop, l.canvasWidth, l.canvasHeight), QRect(0, 0, W, H));
            EXPECT_FALSE(l.scrollVisible);
        }
    }
}

TEST(ChartLayout, StudentScaleByItemAndNothingAboveZero) {
    // A subject or 平均分: 100 marks fill the bar area, higher marks are longer.
    for (const char* item : {"数学", "平均分"}) {
        const ChartLayout l = layoutBandChart(data({120, 100, 50, 85.5f}), ChartMode::Students, item, W, H);
        EXPECT_FLOAT_EQ(l.bars[0].length, 1.2f * Area) << item;
        EXPECT_FLOAT_EQ(l.bars[1].length, Area);
        EXPECT_FLOAT_EQ(l.bars[2].length, Area / 2);
        EXPECT_EQ(l.bars[3].valueText, " 85.5");
    }
    // 总分: the best total fills it.
    const ChartLayout total = layoutBandChart(data({400, 200}), ChartMode::Students, "总分", W, H);
    EXPECT_FLOAT_EQ(total.bars[0].length, Area);
    EXPECT_FLOAT_EQ(total.bars[1].length, Area / 2);
    // Nothing above 0: no bar has a length, the values stand right of the axis.
    for (ChartMode mode : {ChartMode::Bands, ChartMode::Students}) {
        const ChartLayout l = layoutBandChart(data({0, 0}), mode, "总分", W, H);
        ASSERT_EQ(l.bars.size(), 2u);
        for (const ChartBar& b : l.bars) {
            EXPECT_EQ(b.length, 0.0f);
            EXPECT_EQ(b.valueLeft, 1010.0f);
            EXPECT_EQ(b.valueText, " 0");
        }
    }
    EXPECT_EQ(layoutBandChart(data({0.5f}), ChartMode::Students, "数学", W, H).bars[0].valueText, " .5");
}

// Class 01 of 2004: 数学 10, 45, Null, 60, 75; class 02 empty.
struct GraphSchool {
    SchoolFixture school{{"语文", "数学"}};
    platform::db::Database& db = *school.db();
    QStringList fields;
    GraphSchool() {
        const QVariant N;
        const QVariantList maths = {10, 45, N, 60, 75};
        for (int i = 0; i < maths.size(); ++i)
            db.insertRow("成绩表", {"STID", "年级", "班", "姓名", "总分", "数学"},
                         {QStringLiteral("2004000%1").arg(i), "2004", "01",
                          i == 2 ? QVariant() : QVariant(QStringLiteral("学生%1").arg(i)), maths[i], maths[i]});
        Recordset all(school.db(), "select * from 成绩表");
        for (int i = 0; i < all.fieldCount(); ++i) fields << all.fieldName(i);
    }
};

TEST(BandGraphData, QueryCountsAndStudents) {
    GraphSchool s;
    EXPECT_EQ(subjectScoresQuery("2004级01班", "数学", "成绩表", s.fields),
              "select \"数学\" from 成绩表 where 年级='2004' and 班='01'");
    EXPECT_EQ(subjectScoresQuery("2004级", "总分", "绝对成绩表", s.fields),
              "select \"总分\" from 绝对成绩表 where 年级='2004'");
    EXPECT_EQ(subjectScoresQuery("2'04级0'班", "数学", "成绩表", s.fields),
              "select \"数学\" from 成绩表 where 年级='2''04' and 班='0'''");
    for (const char* entry : {"所有班级", "2004级01", ""})
        EXPECT_TRUE(subjectScoresQuery(entry, "数学", "成绩表", s.fields).isEmpty()) << entry;
    EXPECT_TRUE(subjectScoresQuery("2004级01班", "数学 from 成绩表;", "成绩表", s.fields).isEmpty());

    // The built-in notation: three counting bands, the per-cent ones left out; Null counts below 30.
    const BandTable table = ParseBandNotation(builtInBandNotation());
    const QStringList captions = BuildBandCaptions(table);
    Recordset rs(s.school.db(), subjectScoresQuery("2004级01班", "数学", "成绩表", s.fields));
    const GraphData g = countBandScores(rs, table, captions);
    EXPECT_EQ(g.values, (std::vector<float>{2, 1, 2}));
    EXPECT_EQ(g.labels, (QStringList{captions[0], captions[1], captions[3]}));
    // Overlapping bands each count the score; a class without rows has no bars.
    EXPECT_EQ(countBandScores(rs, ParseBandNotation("[40-)\r\n(-60]\r\n"), {}).values,
              (std::vector<float>{3, 4}));
    Recordset none(s.school.db(), subjectScoresQuery("2004级02班", "数学", "成绩表", s.fields));
    EXPECT_EQ(countBandScores(none, table, captions).count(), 0);

    // The students in the set's order; a Null name is an empty label, a Null mark 0.
    Recordset students(s.school.db(), LoadClassBySubject("2004级01班", "成绩表", "数学", s.fields).sql);
    const GraphData st = studentScores(students, "数学");
    EXPECT_EQ(st.values, (std::vector<float>{75, 60, 45, 10, 0}));
    EXPECT_EQ(st.labels, (QStringList{"学生4", "学生3", "学生1", "学生0", ""}));
}

} // namespace
