// The controls of the panel as designed, and where those that follow its size go.
#include "grades/results/view/ResultsPanel.h"

const std::vector<form2::ControlDesign>& ResultsPanel::designs() const {
    using namespace form2;
    using K = Kind;
    static const std::vector<ControlDesign> c = {
        {"Frame12_0", K::Frame, "Frame1_6", "", Laid},
        {"Text6", K::MultiLineTextBox, "Frame12_0", "", Laid},
        {"Text7", K::MultiLineTextBox, "Frame12_0", "", Laid},
        {"Frame12_1", K::Frame, "Frame1_6", "", Laid, Hidden},
        {"DataGrid6", K::DataGrid, "Frame12_1", "", Laid},
        {"Frame12_2", K::Frame, "Frame1_6", "", Laid, Hidden},
        {"Opt60_0", K::OptionButton, "Frame12_2", "真实成绩库", R(480, 720, 2055, 375), Checked},
        {"Opt60_1", K::OptionButton, "Frame12_2", "绝对成绩库", R(480, 1440, 2055, 375)},
        {"Opt60_2", K::OptionButton, "Frame12_2", "相对成绩库", R(480, 2160, 1215, 375)},
        {"La77_0", K::Label, "Frame12_2", "记录着同学们考卷上的分数.", R(2520, 840, 2415, 255)},
        {"La77_1", K::Label, "Frame12_2", "以百分制折算后的成绩.", R(2520, 1440, 2055, 255)},
        {"La77_2", K::Label, "Frame12_2",
         "对于同年级同科,将平均分最高的一个班的平均分算成80分,并将这个系数分别去与这个年级所有同学相乘以后的成绩.",
         R(2520, 2040, 3375, 615)},
        {"Com68", K::CommandButton, "Frame12_2", "确定", R(5640, 840, 735, 375)},
        {"Frame12_3", K::Frame, "Frame1_6", "", Laid, Hidden},
        {"Lab6", K::Label, "Frame12_3", "", R(0, 50, 975, 255)},
        {"Combo12", K::ComboBox, "Frame12_3", "", R(994, 27, 975, 300)},
        {"Label6", K::Label, "Frame12_3", "行距", R(2040, 45, 495, 255)},
        {"Combo13", K::ComboBox, "Frame12_3", "", R(2502, 27, 495, 300)},
        {"Label9", K::Label, "Frame12_3", "每排", R(3015, 50, 375, 255)},
        {"Combo14", K::ComboBox, "Frame12_3", "", R(3410, 27, 495, 300)},
        {"Lab6a", K::Label, "Frame12_3", "", Laid},
        {"Lab6b", K::Label, "Frame12_3", "", Laid},
        {"Text2", K::MultiLineTextBox, "Frame12_3", "", Laid},
        {"Ad61", K::DataControl, "Frame1_6", "", Laid},
        {"Frame11", K::Frame, "Frame1_6", "", Laid},
        {"Option8_0", K::OptionButton, "Frame11", "单个同学", R(0, 120, 1335, 255), Checked},
        {"Option8_1", K::OptionButton, "Frame11", "全部", R(720, 360, 735, 255)},
        {"Option8_2", K::OptionButton, "Frame11", "单科", R(0, 360, 735, 255)},
        {"Combo9", K::ComboBox, "Frame1_6", "", Laid},
        {"Combo10", K::ComboBox, "Frame1_6", "", Laid},
        {"Com65", K::CommandButton, "Frame1_6", "换库", Laid},
        {"Te61", K::TextBox, "Frame1_6", "", Laid},
        {"Com64", K::CommandButton, "Frame1_6", "高级", Laid},
        {"Com61", K::CommandButton, "Frame1_6", "导出", Laid, Disabled},
        {"Com62", K::CommandButton, "Frame1_6", "打印", Laid},
        {"Comout_5", K::CommandButton, "Frame1_6", "完成", Laid},
    };
    return c;
}

void ResultsPanel::layout(form2::LayoutPass& p, double wp, double hp) const {
    using namespace form2;
    TwipsRect view;
    for (int k = 0; k < 4; ++k)
        view = p.put(QStringLiteral("Frame12_%1").arg(k), 120, 120, wp - 220, hp - 1180);
    // All four view frames have the same size.
    p.put("DataGrid6", 0, 0, view.width, view.height - 100);
    const TwipsRect te61 = p.put("Te61", 120, hp - 475, wp - 3220, 375);
    const TwipsRect com64 = p.put("Com64", wp - 2995, te61.top, 615, 375);
    const TwipsRect com61 = p.put("Com61", com64.left + 760, te61.top, 615, 375);
    const TwipsRect com62 = p.put("Com62", com61.left + 760, te61.top, 615, 375);
    const TwipsRect comout5 = p.put("Comout_5", com62.left + 760, te61.top, 615, 375);
    const TwipsRect com65 = p.put("Com65", comout5.left, comout5.top - 480, 615, 375);
    const TwipsRect combo9 = p.put("Combo9", com64.left, com65.top, 1335, 300);
    p.put("Combo10", combo9.left + 1320, com65.top, 855, 300);
    p.put("Ad61", 120, combo9.top, 2055, 420);
    p.put("Frame11", wp / 2 - 1137, combo9.top - 120, 1335, 735);

    const double wv = view.width, hv = view.height;
    p.put("Lab6a", wv - 2445, 50, 1215, 255);
    p.put("Lab6b", wv - 1215, 50, 1215, 255);
    p.put("Text2", 0, 480, wv, hv - 500);
    // The averages and the student's report share their frame in the design's proportion.
    const TwipsRect text6 = p.put("Text6", 120, 120, wv - 235, hv * 1215 / 3135);
    p.put("Text7", 120, text6.top + text6.height + 100, wv - 235, hv - text6.height - 250);
}
