#pragma once
// A text that must read whole in a box the design made for fewer digits.

#include <QFont>
#include <QString>

namespace platform {

// `base`, or the largest size below it (in half points, down to 6 pt) in
// which `text` takes no more than `width` pixels.
QFont fittedFont(const QString& text, const QFont& base, int width);

} // namespace platform
