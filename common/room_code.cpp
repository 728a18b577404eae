#include "common/room_code.h"

#include "platform/text/values.h"

#include <algorithm>

QString roomCodeOfLabel(const QString& label) {
    QString code = platform::trimBlanks(label.left(std::max<qsizetype>(0, label.size() - 2)));
    if (code.size() == 1 || code.size() == 2)
        code = QString(3 - code.size(), QLatin1Char('0')) + code;
    return code;
}
