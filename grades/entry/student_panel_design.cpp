// The controls of the panel as designed, and where those that follow its size go.
#include "grades/entry/StudentPanel.h"

const std::vector<form2::ControlDesign>& StudentPanel::designs() const {
    using namespace form2;
    using K = Kind;
    static const std::vector<ControlDesign> c = {
        {"la11", K::Label, "Frame1_1", "请在下边下拉列表框中选择一个班:", R(360, 360, 3015, 255)},
        {"Combo1", K::ComboBox, "Frame1_1", "", R(360, 637, 1335, 300)},
        {"Comout_0", K::CommandButton, "Frame1_1", "完成", R(2520, 600, 735, 375), None, "结束这一班的姓名录入"},
        {"la12", K::Label, "Frame1_1", "学生姓名:", Laid},
        {"Te11", K::TextBox, "Frame1_1", "", Laid},
        {"Com10", K::CommandButton, "Frame1_1", "增加", Laid},
        {"Comm11", K::CommandButton, "Frame1_1", "删除", Laid, None, "删除当前同学"},
        {"Com12", K::CommandButton, "Frame1_1", "插入", Laid},
        {"Com13", K::CommandButton, "Frame1_1", "改名", Laid},
        {"Che11", K::CheckBox, "Frame1_1", "删除同学后,其它同学学号不变", Laid},
        {"la14", K::Label, "Frame1_1", "全班总人数:", Laid},
        {"la15", K::Label, "Frame1_1", "", Laid},
        {"la16", K::Label, "Frame1_1", "新同学学号:", Laid},
        {"tx12", K::TextBox, "Frame1_1", "", Laid},
        {"la17", K::Label, "Frame1_1", "上一同学:", Laid},
        {"la10", K::Label, "Frame1_1", "", Laid},
        {"la19", K::Label, "Frame1_1", "学号:", Laid},
        {"la18", K::Label, "Frame1_1", "", Laid},
        {"Ad1", K::DataControl, "Frame1_1", "", Laid},
        {"DataGrid1", K::DataGrid, "Frame1_1", "", Laid},
    };
    return c;
}

void StudentPanel::layout(form2::LayoutPass& p, double wp, double hp) const {
    using namespace form2;
    const int y = wholeTwips(hp - 2995);
    p.put("la12", 360, y, 855, 255);
    p.put("Te11", 1320, y - 100, 1815, 495);
    p.put("Com10", 2640, y + 505, 735, 375);
    p.put("Comm11", 1040, y + 505, 735, 375);
    p.put("Com12", 240, y + 505, 735, 375);
    p.put("Com13", 1840, y + 505, 735, 375);
    p.put("Che11", 360, y + 1080, 3015, 255);
    // The class size sits between the ends of its caption and of the next
    // one, so that neither touches it; its digits are drawn small enough for
    // five of them (StudentPanel::bind).
    p.put("la14", 360, y + 1455, 1005, 255);
    p.put("la15", 1365, y + 1445, kClassSizeWidth, 255);
    p.put("la16", 1770, y + 1445, 990, 255);  // its colon clear of tx12
    p.put("tx12", 2760, y + 1430, 615, 270);
    p.put("la17", 360, y + 1800, 840, 255);   // clear of the name beside it
    p.put("la10", 1200, y + 1800, 855, 255);
    p.put("la19", 2160, y + 1800, 495, 255);
    p.put("la18", 2760, y + 1800, 615, 255);
    p.put("Ad1", 240, y + 2280, 3135, 375);
    p.put("DataGrid1", 3600, 360, wp - 3940, hp - 700);
}
