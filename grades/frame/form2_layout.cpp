#include "grades/frame/form2_layout.h"

#include "platform/text/values.h"

#include <iterator>
#include <stdexcept>

namespace form2 {

const TwipsRect& Form2Layout::at(const QString& name) const {
    for (const auto& p : placements)
        if (p.name == name)
            return p.rect;
    throw std::out_of_range(name.toStdString());
}

bool Form2Layout::has(const QString& name) const {
    for (const auto& p : placements)
        if (p.name == name)
            return true;
    return false;
}

namespace {

// Whole twips the way the rows of some panels are counted: half to even.
// Kept in int: a 16-bit value would overflow on very tall screens.
int whole(double x) { return static_cast<int>(platform::roundHalfEven(x)); }

class Pass {
public:
    explicit Pass(Form2Layout& out) : out_(out) {}
    const TwipsRect& put(const QString& name, double left, double top, double width, double height) {
        out_.placements.push_back({name, {left, top, width, height}});
        return out_.placements.back().rect;
    }
private:
    Form2Layout& out_;
};

void homePanel(Pass& p, double wp, double hp) {
    p.put("Label2", 480, 1320, wp - 1180, 855);
    p.put("Label5", wp - 6475, hp - 375, 6375, 255);
    const TwipsRect label3 = p.put("Label3", wp - 6355, hp - 735, 3375, 255);
    p.put("Text1", label3.left - 120, label3.top - 2520, 6135, 2415);
}

void studentPanel(Pass& p, double wp, double hp) {
    const int y = whole(hp - 2995);
    p.put("la12", 360, y, 855, 255);
    p.put("Te11", 1320, y - 100, 1815, 495);
    p.put("Com10", 2640, y + 505, 735, 375);
    p.put("Comm11", 1040, y + 505, 735, 375);
    p.put("Com12", 240, y + 505, 735, 375);
    p.put("Com13", 1840, y + 505, 735, 375);
    p.put("Che11", 360, y + 1080, 3015, 255);
    p.put("la14", 360, y + 1455, 1095, 255);
    p.put("la15", 1320, y + 1445, 495, 255);
    p.put("la16", 1800, y + 1445, 1095, 255);
    p.put("tx12", 2760, y + 1430, 615, 270);
    p.put("la17", 360, y + 1800, 855, 255);
    p.put("la10", 1200, y + 1800, 855, 255);
    p.put("la19", 2160, y + 1800, 495, 255);
    p.put("la18", 2760, y + 1800, 615, 255);
    p.put("Ad1", 240, y + 2280, 3135, 375);
    p.put("DataGrid1", 3600, 360, wp - 3940, hp - 700);
}

void examNumberPanel(Pass& p, double wp, double hp) {
    const double builderWidth = 6135, builderHeight = 3855;
    p.put("Frame4_0", wp / 2 - builderWidth / 2, hp / 2 - builderHeight / 2, builderWidth, builderHeight);
    const TwipsRect viewer = p.put("Frame4_1", 240, 240, wp - 280, hp - 460);
    const double wv = viewer.width, hv = viewer.height;
    const int z = whole(hv - 2295);
    p.put("DataGrid3", 2160, 120, wv - 2280, hv - 460);
    p.put("Option5", 240, hv / 2 - 367, 855, 255);
    p.put("Option4", 1080, hv / 2 - 367, 855, 255);
    p.put("Combo6", 120, hv / 2 + 7, 1815, 300);
    p.put("Lakh1", 0, z + 840, 2175, 255);
    p.put("Tekh1", 120, z + 1200, 1815, 270);
    p.put("Ad32", 120, z + 1680, 1815, 375);
}

void teacherPanel(Pass& p, double wp, double hp) {
    const int y = whole(hp / 22);
    p.put("Frame3_0", 240, 240, 3855, hp / 3.55);
    p.put("Frame3_1", 240, 240, 3855, hp / 3.55);
    p.put("La21", 120, y, 1095, 195);
    p.put("Te21", 960, y - 75, 1215, 375);
    p.put("Com21", 2280, y - 45, 735, 375);
    p.put("Comout_1", 3120, y - 45, 735, 375);
    p.put("Ad2", 120, y + 525, 1935, 375);
    p.put("Com28", 2280, y + 525, 735, 375);
    p.put("Com23", 3120, y + 525, 735, 375);
    const int assignTop = whole(hp * 2 / 3 - 1197);
    const TwipsRect assign = p.put("Frame2_0", 240, assignTop, 3855, hp - assignTop - 340);
    p.put("List1", 2280, 240, 1455, assign.height - 435);
    p.put("DataGrid2", 4200, 360, wp - 4420, hp - 700);
}

void fullMarkPanel(Pass& p, double wp, double hp) {
    const double noteWidth = 5895;
    p.put("La42", wp / 2 - noteWidth / 2, hp - 715, noteWidth, 375);
    p.put("DataGrid4", 360, 960, wp - 700, hp - 2020);
}

void markEntryPanel(Pass& p, double wp, double hp) {
    const int h = whole(hp);
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


// Below here every value keeps its fraction: these rows take no whole numbers.

void calculationPanel(Pass& p, double wp, double hp) {
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

void resultsPanel(Pass& p, double wp, double hp) {
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

void teacherScorePanel(Pass& p, double wp, double hp) {
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

} // namespace

Form2Layout layoutForm2(double clientWidth, double clientHeight, bool minimised) {
    Form2Layout out;
    out.clientWidth = clientWidth;
    out.clientHeight = clientHeight;
    if (minimised)
        return out;

    // The minimum is enforced before anything moves, so every size below stays positive.
    if (out.clientHeight <= kMinClientHeight) {
        out.sizeCorrected = out.clientHeight != kMinClientHeight;
        out.clientHeight = kMinClientHeight;
    }
    if (out.clientWidth < kMinClientWidth) {
        out.sizeCorrected = true;
        out.clientWidth = kMinClientWidth;
    }
    out.laidOut = true;

    const double W = out.clientWidth + kFrameWidth;
    const double H = out.clientHeight + kFrameHeight;
    Pass p(out);

    // The button row, built outwards from the mark-entry button in the middle.
    const double top = H - 1350, bw = 735, bh = 375, step = 822;
    double left[9] = {};
    left[8] = W / 2;
    left[4] = left[8] - step;
    left[3] = left[4] - step;
    left[2] = left[3] - step;
    left[1] = left[2] - step;
    left[5] = left[8] + step;
    left[6] = left[5] + step;
    left[7] = left[6] + step;
    for (int i = 1; i <= 8; ++i)
        p.put(QStringLiteral("Command%1").arg(i), left[i], top, bw, bh);

    // Panels. On a low window panels 1 to 8 reach over the button row,
    // which their own controls need more than the buttons do.
    const double wp = W - 500;
    const double homeHeight = H - 1815;
    const double panelHeight = H > 6200 ? H - 1815 : H - 1015;
    for (int i = 0; i <= 8; ++i)
        p.put(QStringLiteral("Frame1_%1").arg(i), 200, 200, wp, i == 0 ? homeHeight : panelHeight);

    homePanel(p, wp, homeHeight);
    studentPanel(p, wp, panelHeight);
    examNumberPanel(p, wp, panelHeight);
    teacherPanel(p, wp, panelHeight);
    fullMarkPanel(p, wp, panelHeight);
    markEntryPanel(p, wp, panelHeight);
    calculationPanel(p, wp, panelHeight);
    resultsPanel(p, wp, panelHeight);
    teacherScorePanel(p, wp, panelHeight);
    return out;
}

} // namespace form2
