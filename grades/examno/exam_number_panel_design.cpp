// The controls of the panel as designed, and where those that follow its size go.
#include "grades/examno/ExamNumberPanel.h"

const std::vector<form2::ControlDesign>& ExamNumberPanel::designs() const {
    using namespace form2;
    using K = Kind;
    static const std::vector<ControlDesign> c = {
        {"Frame4_0", K::Frame, "Frame1_3", "", Laid},
        {"Frame5", K::Frame, "Frame4_0", "交叉办法", R(360, 360, 2055, 1695)},
        {"Option1", K::OptionButton, "Frame5", "不交叉(按学号顺序)", R(240, 360, 1455, 375), Checked},
        {"Option2", K::OptionButton, "Frame5", "全班交叉", R(240, 720, 1335, 375)},
        {"Option3", K::OptionButton, "Frame5", "全年级交叉", R(240, 1080, 1335, 375)},
        {"La31", K::Label, "Frame4_0", "一个考室中的最多人数:", R(2760, 360, 1935, 255)},
        {"Combo5", K::ComboBox, "Frame4_0", "", R(3240, 600, 2535, 300)},
        {"Check2", K::CheckBox, "Frame4_0", "只编写", R(3240, 960, 975, 255)},
        {"Combo15", K::ComboBox, "Frame4_0", "", R(4200, 960, 1575, 300), Disabled},
        {"Com31", K::CommandButton, "Frame4_0", "编写", R(3240, 1320, 615, 375)},
        {"Com32", K::CommandButton, "Frame4_0", "查看", R(4200, 1320, 615, 375)},
        {"Comout_2", K::CommandButton, "Frame4_0", "完成", R(5160, 1320, 615, 375)},
        {"La35", K::Label, "Frame4_0", ".", R(2880, 1920, 2895, 255)},
        {"Frame6", K::Frame, "Frame4_0", "考号的组成", R(360, 2280, 5415, 1335)},
        {"Check1_0", K::CheckBox, "Frame6", "年级", R(240, 240, 975, 375)},
        {"Check1_1", K::CheckBox, "Frame6", "班", R(1560, 240, 975, 375)},
        {"Check1_2", K::CheckBox, "Frame6", "考室", R(2880, 240, 975, 375), Checked},
        {"Check1_3", K::CheckBox, "Frame6", "座位号", R(4200, 240, 975, 375), Checked | Disabled},
        {"Check1_4", K::CheckBox, "Frame6", "紧缩", R(4200, 720, 975, 375)},
        {"La32", K::Label, "Frame6", "示例:", R(240, 840, 615, 255)},
        {"La33", K::Label, "Frame6", "001 23", R(1080, 840, 2775, 255)},
        // The build's scratch control: it would cover the composition boxes, and
        // nobody moves through its rows.
        {"Ad3", K::DataControl, "Frame4_0", "", R(3000, 2640, 1680, 375), Hidden},
        {"Frame4_1", K::Frame, "Frame1_3", "", Laid},
        {"DataGrid3", K::DataGrid, "Frame4_1", "", Laid},
        {"Option5", K::OptionButton, "Frame4_1", "按考室", Laid, Checked},
        {"Option4", K::OptionButton, "Frame4_1", "按班", Laid},
        {"Combo6", K::ComboBox, "Frame4_1", "", Laid},
        {"Lakh1", K::Label, "Frame4_1", "要查寻同学的姓名或考号:", Laid},
        {"Tekh1", K::TextBox, "Frame4_1", "", Laid},
        {"Ad32", K::DataControl, "Frame4_1", "", Laid},
        {"Comkh4", K::CommandButton, "Frame4_1", "导出数据", R(0, 360, 975, 375)},
        {"Comkh2", K::CommandButton, "Frame4_1", "打印考号", R(1080, 360, 975, 375)},
        {"Comkh3", K::CommandButton, "Frame4_1", "重新编写", R(0, 840, 975, 375)},
        {"Comkh1", K::CommandButton, "Frame4_1", "完成", R(1080, 840, 975, 375)},
    };
    return c;
}

void ExamNumberPanel::layout(form2::LayoutPass& p, double wp, double hp) const {
    using namespace form2;
    const double builderWidth = 6135, builderHeight = 3855;
    p.put("Frame4_0", wp / 2 - builderWidth / 2, hp / 2 - builderHeight / 2, builderWidth, builderHeight);
    const TwipsRect viewer = p.put("Frame4_1", 240, 240, wp - 280, hp - 460);
    const double wv = viewer.width, hv = viewer.height;
    const int z = wholeTwips(hv - 2295);
    p.put("DataGrid3", 2160, 120, wv - 2280, hv - 460);
    p.put("Option5", 240, hv / 2 - 367, 855, 255);
    p.put("Option4", 1080, hv / 2 - 367, 855, 255);
    p.put("Combo6", 120, hv / 2 + 7, 1815, 300);
    p.put("Lakh1", 0, z + 840, 2175, 255);
    p.put("Tekh1", 120, z + 1200, 1815, 270);
    p.put("Ad32", 120, z + 1680, 1815, 375);
}
