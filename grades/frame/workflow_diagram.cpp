#include "grades/frame/workflow_diagram.h"

#include "platform/text/values.h"

#include <cmath>
#include <numbers>

namespace frame {

const std::vector<WorkflowStep>& workflowSteps() {
    static const std::vector<WorkflowStep> steps = {
        {0, QStringLiteral("系统初始化"), 480, 1440, 1695},
        {3, QStringLiteral("组织学生考试"), 3120, 1440, 1695},
        {7, QStringLiteral("修改各科的总分"), 5760, 1440, 1695},
        {1, QStringLiteral("输入/修改学生姓名"), 480, 2640, 1695},
        {8, QStringLiteral("编写打印考号"), 3240, 2640, 1695},
        {6, QStringLiteral("输入每个同学的各科成绩"), 5880, 2760, 2175},
        {2, QStringLiteral("计算学生的成绩,教师的考绩分"), 1800, 3720, 2895},
        {5, QStringLiteral("输入教师的任课情况"), 6120, 3720, 1935},
        {12, QStringLiteral("分班"), 3120, 4560, 1215},
        {4, QStringLiteral("以各种方式查看/打印学生成绩"), 5400, 4800, 2655},
        {11, QStringLiteral("数据刷新"), 2280, 5520, 1455},
        {13, QStringLiteral("查看/打印教师考绩分"), 4680, 5520, 1935},
    };
    return steps;
}

QString stepExplanation(int index) {
    switch (index) {
    case 0: return QStringLiteral("能看见这个窗口,说明数据的初始化已经完成,如果要修改初始化时的设置,请先将数据刷新.");
    case 1: return QStringLiteral("输入每个同学的姓名,在学生的所有学习考试过程中,姓名只输入一次,学号由系统自动编写,也可以手动输入.");
    case 2: return QStringLiteral("计算每一个学生的总分,平均分,学生排名次,教师的考绩分,分数的折算等.");
    case 3: return QStringLiteral("将电脑输出的考号通知学生,并在每一个考室的桌子上贴上考号,考生对号入座,收试卷时,一定要按座位号顺序装订密封,然后组织教师阅卷,并将每一个同学的分数填在试卷上.");
    case 4: return QStringLiteral("本系统提供了功能强大的查看功能,并提供了方便的数据导入导出功能.");
    case 5: return QStringLiteral("输入教师的姓名及该教师的任课情况,以便计算该教师的考绩分.");
    case 6: return QStringLiteral("输入每一个同学的分数,如果你编写了考号,并且试卷严格按考号顺序,你会发现输入成绩很简单.系统会自动检查你输入数据的合法性.");
    case 7: return QStringLiteral("由于各年级的每一科的分数不一定都是一百分,比如高考时语文就是150分,这给计算及格率带来了一些麻烦,因次本程序设计了这一个模块");
    case 8: return QStringLiteral("考号每次考试前都可以编写,至少要成功编写了一次考号,才可以在各种地方使用考号.考号一经打印出去,就不能再重新编写或修改,除非将数据刷新.");
    case 11: return QStringLiteral("将数据库备份,并将所有成绩清零,以便为下一次考试作准备.");
    case 12: return QStringLiteral("使用分班操作可以避免重复输入学生姓名的麻烦,并有助于提高率的计算.");
    case 13: return QStringLiteral("查看教师的成绩及他所教学生的情况.");
    default: return {};
    }
}

Box diagramBox(int index) {
    if (index == kNewExamLabel)
        return {960, 4560, 1215, 255};
    for (const auto& s : workflowSteps())
        if (s.index == index)
            return {s.left, s.top, s.width, kStepButtonHeight};
    return {0, 0, 0, 0};
}

const std::vector<DiagramLine>& workflowLines() {
    // Each shaft starts on the edge of its first box and ends on the edge of
    // the second, and no line crosses a box it does not join.
    static const std::vector<DiagramLine> lines = {
        {0, 1, false, true, {1320, 1815, 1320, 2640}},
        {kNewExamLabel, 1, false, true, {1560, 4560, 1560, 3015}},
        {1, 8, true, true, {2175, 2820, 3240, 2820}},
        {8, 3, true, true, {4080, 2640, 4080, 1815}},
        {3, 6, true, true, {4815, 1680, 5880, 2940}},
        {7, 6, false, true, {6600, 1815, 6600, 2760}},
        {6, 2, true, true, {5880, 3060, 4695, 3840}},
        {5, 2, false, true, {6120, 3960, 4695, 3960}},
        {2, 4, true, true, {4500, 4095, 5400, 4920}},
        {2, 13, false, true, {4200, 4095, 5040, 5520}},
        {11, 12, false, true, {3480, 5520, 3480, 4935}},
        // 新的考试开始 is joined to 分班 and, from that line, down to 数据刷新.
        {kNewExamLabel, 12, false, false, {2175, 4680, 3120, 4680}},
        {kNewExamLabel, 11, false, false, {2640, 4680, 2640, 5520}},
    };
    return lines;
}

std::vector<Segment> arrowHead(const Segment& shaft) {
    constexpr double length = 120;
    constexpr double spread = std::numbers::pi / 6;
    const double back = std::atan2(shaft.y1 - shaft.y2, shaft.x1 - shaft.x2);
    std::vector<Segment> strokes;
    for (double a : {back - spread, back + spread})
        strokes.push_back({shaft.x2, shaft.y2,
                           shaft.x2 + int(std::lround(length * std::cos(a))),
                           shaft.y2 + int(std::lround(length * std::sin(a)))});
    return strokes;
}

namespace {

// An assignment of a negative size fails and leaves the old value.
void setSize(int& target, int value) {
    if (value >= 0)
        target = value;
}

// A scroll step below 1 fails and leaves the old value.
void setStep(int& target, int value) {
    if (value >= 1)
        target = value;
}

void setRange(int canvas, int view, int& maximum, int& large, int& small) {
    maximum = canvas - view;
    setStep(large, int(platform::roundHalfEven(maximum / 5.0)));
    setStep(small, int(platform::roundHalfEven(large / 3.0)));
}

} // namespace

HelpGeometry helpModeLayout(int W, int H, HelpGeometry g) {
    g.hBarVisible = W < kDiagramWidth;
    g.vBarVisible = H < kDiagramHeight;

    if (g.hBarVisible && g.vBarVisible) {
        setSize(g.hBarWidth, W - 360);
        setSize(g.vBarHeight, H - 670);
        setSize(g.viewWidth, W - 360);
        setSize(g.viewHeight, H - 670);
        g.canvasWidth = kDiagramWidth;
        g.canvasHeight = kDiagramHeight;
    } else if (g.hBarVisible) {
        setSize(g.hBarWidth, W - 100);
        setSize(g.viewWidth, W);
        setSize(g.viewHeight, H - 670);
        g.canvasWidth = kDiagramWidth;
        setSize(g.canvasHeight, H - 670);
    } else if (g.vBarVisible) {
        setSize(g.vBarHeight, H - 400);
        setSize(g.viewWidth, W - 360);
        setSize(g.viewHeight, H);
        setSize(g.canvasWidth, W - 360);
        g.canvasHeight = kDiagramHeight;
    } else {
        setSize(g.viewWidth, W);
        setSize(g.viewHeight, H);
        setSize(g.canvasWidth, W);
        setSize(g.canvasHeight, H);
    }

    g.hBarTop = g.viewHeight;
    g.vBarLeft = g.viewWidth;
    if (g.vBarVisible)
        setRange(g.canvasHeight, g.viewHeight, g.vMaximum, g.vLargeStep, g.vSmallStep);
    if (g.hBarVisible)
        setRange(g.canvasWidth, g.viewWidth, g.hMaximum, g.hLargeStep, g.hSmallStep);
    setSize(g.label1Width, g.canvasWidth - 3150);
    return g;
}

EditGeometry editModeLayout(int W, int H, EditGeometry g) {
    setSize(g.gridHeight, H - 400);
    setSize(g.gridWidth, W - 100);
    return g;
}

} // namespace frame
