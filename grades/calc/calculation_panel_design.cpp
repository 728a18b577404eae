// The controls of the panel as designed, and where those that follow its size go.
#include "grades/calc/CalculationPanel.h"

#include <algorithm>
#include <iterator>

const std::vector<form2::ControlDesign>& CalculationPanel::designs() const {
    using namespace form2;
    using K = Kind;
    static const std::vector<ControlDesign> c = {
        {"Frame7", K::Frame, "Frame1_5", "比较范围", R(240, 360, 1815, 1455)},
        {"Option51", K::OptionButton, "Frame7", "分数不折算", R(240, 240, 1455, 375)},
        {"Option52", K::OptionButton, "Frame7", "全校所有科次", R(240, 600, 1455, 375), Checked},
        {"Option53", K::OptionButton, "Frame7", "同年级同科", R(240, 960, 1215, 375)},
        {"Frame8", K::Frame, "Frame1_5", "检查", Laid},
        {"Check51", K::CheckBox, "Frame8", "得分为零分时提示", R(240, 360, 1335, 375)},
        {"Check52", K::CheckBox, "Frame8", "总分为零为时给出提示", R(240, 720, 1335, 495), Checked},
        {"Frame9", K::Frame, "Frame1_5", "教师", Laid},
        {"Check53", K::CheckBox, "Frame9", "总分不得为负数", R(240, 240, 1695, 255), Checked},
        {"Check54", K::CheckBox, "Frame9", "每一项都不出现负数", R(240, 600, 1695, 375), Checked},
        {"Check55", K::CheckBox, "Frame9", "计算提高率", R(240, 1080, 1695, 255)},
        {"La51_3", K::Label, "Frame1_5", "教师考绩分=", R(240, 2040, 1095, 255)},
        {"Te52", K::TextBox, "Frame1_5", "", Laid},
        {"Label10_0", K::Label, "Frame1_5", "+", Laid},
        {"Text3", K::TextBox, "Frame1_5", "", Laid},
        {"Label10_1", K::Label, "Frame1_5", "+", Laid},
        {"Text4", K::TextBox, "Frame1_5", "", Laid},
        {"Label10_2", K::Label, "Frame1_5", "+", Laid},
        {"Text5", K::TextBox, "Frame1_5", "", Laid},
        {"Frame10_0", K::Frame, "Frame1_5", "分数线划定:", Laid},
        {"La53", K::Label, "Frame10_0",
         "a:任课班数 b:优生人数  c:及格人数  d:差生人数 e:总人数   f:最高分    g:最低分    h:平均分 ",
         Laid},
        {"La54", K::Label, "Frame10_0",
         "w:上期平均分           x:上期及格率       y:上期优生率           z:上期差生率",
         Laid, Hidden},
        {"La56", K::Label, "Frame10_0", "上期成绩库的位置:", R(120, 1140, 1695, 255), Hidden},
        {"Te53", K::TextBox, "Frame10_0", "", Laid, Hidden},
        {"Com53", K::CommandButton, "Frame10_0", "浏览", Laid, Hidden},
        {"Command9", K::CommandButton, "Frame10_0", "设为默认值", Laid},
        {"Com51", K::CommandButton, "Frame10_0", "开始计算", Laid},
        {"Comout_4", K::CommandButton, "Frame10_0", "完成", Laid},
        {"La51_0", K::Label, "Frame10_0", " 优生分数", Laid},
        {"La51_1", K::Label, "Frame10_0", "及格分数", Laid},
        {"La51_2", K::Label, "Frame10_0", "差生分数", Laid},
        {"Te51_0", K::TextBox, "Frame10_0", "80", Laid},
        {"Te51_1", K::TextBox, "Frame10_0", "60", Laid},
        {"Te51_2", K::TextBox, "Frame10_0", "40", Laid},
        {"Frame10_1", K::Frame, "Frame1_5", "分数线划定:", Laid, Hidden},
        {"La55", K::Label, "Frame10_1", "请稍候,正在进行计算...", R(240, 360, 2055, 255)},
        {"Command10", K::CommandButton, "Frame10_1", "停止计算", Laid},
        {"Lab51_0", K::Label, "Frame10_1", "真实成绩库", Laid},
        {"Lab51_1", K::Label, "Frame10_1", "绝对成绩库", Laid},
        {"Lab51_2", K::Label, "Frame10_1", "相对成绩库", Laid},
        {"Lab51_3", K::Label, "Frame10_1", "系数", Laid},
        {"Lab51_4", K::Label, "Frame10_1", "填写", Laid},
        {"Lab51_5", K::Label, "Frame10_1", "整理", Laid},
        {"Lab51_6", K::Label, "Frame10_1", "教师库", Laid},
        {"Pict50", K::PictureBox, "Frame10_1", "", Laid},
        {"Te50", K::TextBox, "Pict50", "", R(0, 0, 2175, 375)},
        {"Ad50", K::DataControl, "Frame1_5", "", R(2160, 1200, 1455, 375), Hidden},
        {"Ad51", K::DataControl, "Frame1_5", "", R(4440, 1080, 1335, 375), Hidden},
    };
    return c;
}

void CalculationPanel::layout(form2::LayoutPass& p, double wp, double hp) const {
    using namespace form2;
    p.put("Frame9", wp - 2395, 360, 2175, 1455);
    p.put("Frame8", wp / 2 - 1137, 360, 1935, 1455);
    // The four formula boxes share the growth of the panel's width.
    const double b = 975 + (wp - 6595) / 4;
    const TwipsRect te52 = p.put("Te52", 1320, 2040, b, 270);
    const TwipsRect text3 = p.put("Text3", te52.left + te52.width + 345, 2040, b, 270);
    const TwipsRect text4 = p.put("Text4", text3.left + text3.width + 345, 2040, b, 270);
    p.put("Text5", text4.left + text4.width + 345, 2040, b, 270);
    p.put("Label10_0", te52.left + te52.width + 50, 2055, 255, 255);
    p.put("Label10_1", text3.left + text3.width + 50, 2055, 255, 255);
    p.put("Label10_2", text4.left + text4.width + 50, 2055, 255, 255);
    const TwipsRect settings = p.put("Frame10_0", 120, 2280, wp - 340, hp - 2380);
    const TwipsRect progress = p.put("Frame10_1", 120, 2280, settings.width, settings.height);

    const double wf = settings.width, hf = settings.height;
    // The legends read in one line beside the buttons once the panel is wide enough.
    const double legend = std::max(4095.0, wf - 1335 - 360);
    p.put("La53", 120, 240, legend, 375);
    p.put("La54", 120, 600, legend, 375);
    const TwipsRect te53 = p.put("Te53", 1680, 1080, wf - 4080, 270);
    p.put("Com53", te53.left + te53.width + 225, 960, 735, 375);
    const TwipsRect command9 = p.put("Command9", wf - 1335, 240, 1335, 375);
    const TwipsRect com51 = p.put("Com51", command9.left, 600, 1335, 375);
    p.put("Comout_4", com51.left, 960, 1335, 375);
    const TwipsRect la510 = p.put("La51_0", 360, hf - 360, 855, 255);
    const TwipsRect la511 = p.put("La51_1", 2280, la510.top, 855, 255);
    p.put("La51_2", 4200, la511.top, 855, 255);
    const TwipsRect te510 = p.put("Te51_0", 1320, la510.top - 15, 735, 270);
    const TwipsRect te511 = p.put("Te51_1", 3120, te510.top, 735, 270);
    p.put("Te51_2", 5040, te511.top, 735, 270);

    const double wg = progress.width, hg = progress.height;
    const TwipsRect pict50 = p.put("Pict50", 240, hg - 735, wg - 360, 375);
    // The stage labels keep their places along the bar and ride above it.
    struct Stage { double left, width; };
    static constexpr Stage stages[] = {{120, 975}, {1320, 975}, {2520, 975}, {3720, 375},
                                       {4320, 375}, {4920, 375}, {5520, 615}};
    for (int j = 0; j < int(std::size(stages)); ++j)
        p.put(QStringLiteral("Lab51_%1").arg(j), stages[j].left, pict50.top - 480, stages[j].width, 200);
    p.put("Command10", wg - 1335, 240, 1215, 375);
}
