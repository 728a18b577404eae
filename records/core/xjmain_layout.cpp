#include "records/core/xjmain_layout.h"

namespace records {

XJmainLayout layoutXJmain(double outerWidth, double outerHeight, bool toolbarVisible, double toolbarHeight,
                          double statusBarWidth) {
    XJmainLayout out;
    const double top = toolbarVisible ? toolbarHeight : 0;
    const double height = outerHeight - 1100 - top;
    if (height >= 0)
        out.tree = Rect{0, top, kTreeWidth, height};
    const double listWidth = outerWidth - kTreeWidth - 150;
    if (height >= 0 && listWidth >= 0)
        out.list = Rect{kTreeWidth + 10, top, listWidth, height};
    out.panel1Width = kTreeWidth;
    if (statusBarWidth - kTreeWidth >= 0)
        out.panel2Width = statusBarWidth - kTreeWidth;
    return out;
}

} // namespace records
