#include "common/widthfit.h"

#include "platform/text/gbk.h"

#include <QStringList>

QString PadToWidth(const QString& text, std::optional<int16_t> width, int16_t leftAlign) {
    if (!width) return text;
    const int w = *width < 0 ? 0 : *width;   // a negative width is nobody's intent: fit to nothing
    const QStringList chars = platform::characters(text);
    const int length = static_cast<int>(chars.size());
    const int columns = platform::displayWidth(text);
    auto padded = [&](int blanks) {
        const QString fill(blanks, u' ');
        return leftAlign == -1 ? text + fill : fill + text;
    };

    if (columns == length) {   // no double-byte character: one column each
        if (w > length) return padded(w - length);
        return chars.mid(0, w).join(QString());
    }
    if (columns < w) return padded(w - columns);
    // Take characters until the total reaches or passes the width; the one
    // that crosses the limit stays whole.
    QString out;
    int total = 0;
    for (const QString& c : chars) {
        out += c;
        total += platform::displayWidthOf(c);
        if (total >= w) break;
    }
    return out;
}
