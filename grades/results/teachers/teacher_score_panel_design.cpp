// The controls of the panel as designed, and where those that follow its size go.
#include "grades/results/teachers/TeacherScorePanel.h"

const std::vector<form2::ControlDesign>& TeacherScorePanel::designs() const {
    using namespace form2;
    using K = Kind;
    static const std::vector<ControlDesign> c = {
        {"Lab71", K::Label, "Frame1_7", "", R(240, 360, 1095, 375)},
        {"Lab72", K::Label, "Frame1_7", "老师:", R(1560, 480, 615, 255)},
        {"Label7", K::Label, "Frame1_7", "", Laid},
        {"Text8", K::MultiLineTextBox, "Frame1_7", "", Laid},
        {"List2", K::ListBox, "Frame1_7", "", Laid},
        {"List3", K::ListBox, "Frame1_7", "", Laid, Hidden},
        {"Com74", K::CommandButton, "Frame1_7", "学生", Laid},
        {"Combo11", K::ComboBox, "Frame1_7", "", Laid},
        {"Com71", K::CommandButton, "Frame1_7", "整体", Laid},
        {"Com72", K::CommandButton, "Frame1_7", "打印", Laid},
        {"Comout_6", K::CommandButton, "Frame1_7", "完成", Laid},
        {"Ad71", K::DataControl, "Frame1_7", "", Laid},
    };
    return c;
}

void TeacherScorePanel::layout(form2::LayoutPass& p, double wp, double hp) const {
    using namespace form2;
    // The right-hand column follows the right edge, its buttons the bottom edge.
    const double column = wp - 2515;
    const double buttonTop = hp - 475;
    const double listHeight = hp - 2275;
    const double com72Left = column + 840;
    const double comout6Left = com72Left + 840;
    p.put("List2", column, 360, 2295, listHeight);
    p.put("List3", column, 360, 2295, listHeight);
    p.put("Combo11", column, buttonTop - 480, 2415, 300);
    p.put("Com71", column, buttonTop, 735, 375);
    p.put("Com72", com72Left, buttonTop, 615, 375);
    p.put("Comout_6", comout6Left, buttonTop, 735, 375);
    p.put("Com74", comout6Left, buttonTop - 1200, 735, 375);
    const TwipsRect text8 = p.put("Text8", 240, 840, wp - 2980, hp - 1420);
    p.put("Ad71", 240, buttonTop, text8.width, 330);
    p.put("Label7", column - 1560, 360, 1335, 375);
}
