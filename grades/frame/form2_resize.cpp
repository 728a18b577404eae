#include "grades/frame/form2_resize.h"

#include "grades/frame/form2_panel.h"

namespace form2 {

namespace {

void homePanel(LayoutPass& p, double wp, double hp) {
    p.put("Label2", 480, 1320, wp - 1180, 855);
    p.put("Label5", wp - 6475, hp - 375, 6375, 255);
    const TwipsRect label3 = p.put("Label3", wp - 6355, hp - 735, 3375, 255);
    p.put("Text1", label3.left - 120, label3.top - 2520, 6135, 2415);
}

} // namespace

Form2Layout layoutForm2(double clientWidth, double clientHeight, bool minimised,
                        const std::vector<const Form2Panel*>& panels) {
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
    LayoutPass p(out);

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
    for (const Form2Panel* panel : panels)
        panel->layout(p, wp, panelHeight);
    return out;
}

} // namespace form2
