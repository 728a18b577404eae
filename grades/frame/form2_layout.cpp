#include "grades/frame/form2_layout.h"

#include "platform/text/values.h"

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

int wholeTwips(double x) { return static_cast<int>(platform::roundHalfEven(x)); }

const TwipsRect& LayoutPass::put(const QString& name, double left, double top, double width, double height) {
    out_.placements.push_back({name, {left, top, width, height}});
    return out_.placements.back().rect;
}

} // namespace form2
