// The controls of the panel as designed, and where those that follow its size go.
#include "grades/entry/FullMarkPanel.h"

const std::vector<form2::ControlDesign>& FullMarkPanel::designs() const {
    using namespace form2;
    using K = Kind;
    static const std::vector<ControlDesign> c = {
        {"La41", K::Label, "Frame1_4", "  请在下面的表格中填入本次考试中各科试卷的总分:", R(240, 600, 5895, 255)},
        {"Comout_3", K::CommandButton, "Frame1_4", "完成", R(4920, 480, 855, 375)},
        {"Ad41", K::DataControl, "Frame1_4", "", R(3720, 360, 1200, 330), Hidden},
        {"Ad4", K::DataControl, "Frame1_4", "", R(2040, 2280, 1200, 375)},
        {"La42", K::Label, "Frame1_4", "", Laid},
        {"DataGrid4", K::DataGrid, "Frame1_4", "", Laid},
    };
    return c;
}

void FullMarkPanel::layout(form2::LayoutPass& p, double wp, double hp) const {
    using namespace form2;
    const double noteWidth = 5895;
    p.put("La42", wp / 2 - noteWidth / 2, hp - 715, noteWidth, 375);
    p.put("DataGrid4", 360, 960, wp - 700, hp - 2020);
}
