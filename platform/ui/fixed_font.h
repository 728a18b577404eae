#pragma once
// The font of texts laid out in display columns (listings, summaries,
// previews): a Chinese character exactly as wide as two Latin ones, as the
// old 宋体 was. Stored and printed font names stay 宋体.

#include <QFont>

namespace platform {

QFont fixedColumnFont(qreal pointSize = 9);

} // namespace platform
