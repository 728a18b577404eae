#include "grades/calc/core/calc_numbers.h"

QString plainNumberTextSingle(float value) { return QString::number(double(value), 'g', 7); }

QString plainNumberTextDouble(double value) { return QString::number(value, 'g', 15); }

QString numberTextSingle(float value) {
    QString t = plainNumberTextSingle(value);
    if (t.startsWith(QLatin1String("0.")))
        t.remove(0, 1);
    else if (t.startsWith(QLatin1String("-0.")))
        t.remove(1, 1);
    return value < 0 ? t : QLatin1Char(' ') + t;
}
