// The controls of the panel as designed, and where those that follow its size go.
#include "grades/entry/MarkEntryPanel.h"

const std::vector<form2::ControlDesign>& MarkEntryPanel::designs() const {
    using namespace form2;
    using K = Kind;
    static const std::vector<ControlDesign> c = {
        {"Combo7", K::ComboBox, "Frame1_8", "", Laid},
        {"Combo8", K::ComboBox, "Frame1_8", "", Laid},
        {"Option6", K::OptionButton, "Frame1_8", "考室", Laid},
        {"Option7", K::OptionButton, "Frame1_8", "班级", Laid},
        {"Comout_7", K::CommandButton, "Frame1_8", "完成", Laid},
        {"La81", K::Label, "Frame1_8", "上一同学:", Laid},
        {"La82", K::Label, "Frame1_8", "", Laid},
        {"La83", K::Label, "Frame1_8", "当前同学:", Laid},
        {"Te82", K::TextBox, "Frame1_8", "", Laid},
        {"La88", K::Label, "Frame1_8", "科目:", Laid},
        {"Te81", K::TextBox, "Frame1_8", "", Laid},
        {"Label11", K::Label, "Frame1_8", "", Laid},
        {"Command11", K::CommandButton, "Frame1_8", "插入", Laid},
        {"Command12", K::CommandButton, "Frame1_8", "删除", Laid},
        {"La89", K::Label, "Frame1_8", "", Laid},
        {"Ad8", K::DataControl, "Frame1_8", "", Laid},
        {"DataGrid5", K::DataGrid, "Frame1_8", "", Laid},
    };
    return c;
}

void MarkEntryPanel::layout(form2::LayoutPass& p, double wp, double hp) const {
    using namespace form2;
    const int h = wholeTwips(hp);
    const TwipsRect combo7 = p.put("Combo7", 360, h / 12.0, 1455, 300);
    p.put("Combo8", 1920, combo7.top, 855, 300);
    p.put("Option6", 240, combo7.top + 503, 855, 255);
    const TwipsRect option7 = p.put("Option7", 1200, combo7.top + 503, 735, 255);
    p.put("Comout_7", 2040, option7.top - 23, 735, 375);
    const TwipsRect la81 = p.put("La81", 360, hp / 3.27, 965, 225);
    p.put("La82", 480, la81.top + 240, 2055, 255);
    const TwipsRect la83 = p.put("La83", 360, hp / 2.247, 855, 255);
    const TwipsRect te82 = p.put("Te82", 240, la83.top + 240, 2655, 375);
    const TwipsRect la88 = p.put("La88", 480, te82.top + 600, 495, 255);
    const TwipsRect te81 = p.put("Te81", 960, la88.top - 120, 1215, 495);
    p.put("Label11", la81.left + la81.width, la81.top - 10, 1455, 255);
    const TwipsRect command11 = p.put("Command11", 2280, te81.top, 615, 255);
    p.put("Command12", 2280, command11.top + 240, 615, 255);
    p.put("La89", 240, hp / 1.33, 2655, 255);
    p.put("Ad8", 360, h - 715, 2415, 375);
    p.put("DataGrid5", 3000, 360, wp - 3220, h - 700);
}
