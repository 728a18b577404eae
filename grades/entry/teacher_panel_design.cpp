// The controls of the panel as designed, and where those that follow its size go.
#include "grades/entry/TeacherPanel.h"

const std::vector<form2::ControlDesign>& TeacherPanel::designs() const {
    using namespace form2;
    using K = Kind;
    static const std::vector<ControlDesign> c = {
        {"Frame3_0", K::Frame, "Frame1_2", "", Laid},
        {"Frame3_1", K::Frame, "Frame1_2", "", Laid, Hidden},
        {"La21", K::Label, "Frame3_0", "教师姓名:", Laid},
        {"Te21", K::TextBox, "Frame3_0", "", Laid},
        {"Com21", K::CommandButton, "Frame3_0", "添加", Laid},
        {"Comout_1", K::CommandButton, "Frame3_0", "完成", Laid},
        {"Ad2", K::DataControl, "Frame3_0", "", Laid},
        {"Com28", K::CommandButton, "Frame3_0", "删除", Laid},
        {"Com23", K::CommandButton, "Frame3_0", "检查", Laid},
        {"Frame2_0", K::Frame, "Frame1_2", "该老师的任课情况", Laid},
        {"Com24", K::CommandButton, "Frame2_0", "上一科", R(240, 240, 855, 375)},
        {"Com25", K::CommandButton, "Frame2_0", "下一科", R(1200, 240, 855, 375)},
        {"Com26", K::CommandButton, "Frame2_0", "增加", R(240, 720, 855, 375)},
        {"Com27", K::CommandButton, "Frame2_0", "删除", R(1200, 720, 855, 375)},
        {"La22", K::Label, "Frame2_0", "班:", R(240, 1388, 495, 180)},
        {"La23", K::Label, "Frame2_0", "科目:", R(240, 1875, 615, 180)},
        {"Combo2", K::ComboBox, "Frame2_0", "", R(600, 1320, 1455, 300)},
        {"Combo3", K::ComboBox, "Frame2_0", "", R(960, 1800, 1095, 300)},
        {"List1", K::ListBox, "Frame2_0", "", Laid},
        {"Latea2", K::Label, "Frame3_1", "   系统发现下的的班的课程尚未安排教师,请选择一位教师,然后单击确定。",
         R(120, 120, 2535, 615)},
        {"Latea", K::Label, "Frame3_1", "", R(120, 900, 1575, 255)},
        {"Combo4", K::ComboBox, "Frame3_1", "", R(1680, 840, 975, 300)},
        {"Comtea1", K::CommandButton, "Frame3_1", "退出", R(2880, 120, 855, 375)},
        {"Comtea4", K::CommandButton, "Frame3_1", "跳过", R(2880, 480, 855, 375)},
        {"Comtea2", K::CommandButton, "Frame3_1", "确定", R(2880, 840, 855, 375)},
        {"DataGrid2", K::DataGrid, "Frame1_2", "", Laid},
    };
    return c;
}

void TeacherPanel::layout(form2::LayoutPass& p, double wp, double hp) const {
    using namespace form2;
    const int y = wholeTwips(hp / 22);
    p.put("Frame3_0", 240, 240, 3855, hp / 3.55);
    p.put("Frame3_1", 240, 240, 3855, hp / 3.55);
    p.put("La21", 120, y, 1095, 195);
    p.put("Te21", 960, y - 75, 1215, 375);
    p.put("Com21", 2280, y - 45, 735, 375);
    p.put("Comout_1", 3120, y - 45, 735, 375);
    p.put("Ad2", 120, y + 525, 1935, 375);
    p.put("Com28", 2280, y + 525, 735, 375);
    p.put("Com23", 3120, y + 525, 735, 375);
    const int assignTop = wholeTwips(hp * 2 / 3 - 1197);
    const TwipsRect assign = p.put("Frame2_0", 240, assignTop, 3855, hp - assignTop - 340);
    p.put("List1", 2280, 240, 1455, assign.height - 435);
    p.put("DataGrid2", 4200, 360, wp - 4420, hp - 700);
}
