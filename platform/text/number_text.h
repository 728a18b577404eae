#pragma once
// The texts the system gives its numbers, as the old program wrote them in
// logs, listings and reports, so that files and printouts read the same.

#include <QString>

namespace platform {

// A number is written with the significant digits of its storage:
// 7 for single-precision fields and values, 15 for double precision.
enum class Precision { Single, Double };

// Joined to other text: "0.5", "-0.5", "100", "0.3333333", "1E-05",
// "1.234568E+07". Correctly rounded, no trailing zeros, no point for a
// whole number, "0" for minus zero; exponent form only when the decimal
// exponent is below -4 or not below the digit count.
QString PlainNumberText(double value, Precision precision);
// The same as ASCII into `out` (room for kPlainNumberChars); the count written.
// For the bulk writers of logs, which would otherwise make a string a number.
inline constexpr int kPlainNumberChars = 48;
int PlainNumberChars(double value, Precision precision, char* out);

// With its sign room: a blank before a number that is not negative and no
// zero before the point (" .5", "-.5", " 100", " 1E-05").
QString NumberText(double value, Precision precision);

// A format pattern of the "0.##" kind with `decimals` places: at least one
// digit before the point, rounded half away from zero on the number's
// decimal digits, trailing zeros dropped and the point always written
// (85.666 -> "85.67", 85 -> "85.", 0 -> "0.", -3.5 -> "-3.5").
QString PatternNumberText(double value, int decimals, Precision precision);

} // namespace platform
