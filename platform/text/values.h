#pragma once
// How the system reads numbers held as text (settings values, typed boxes,
// input-box answers): by their leading decimal number, 0 when there is none.

#include <QString>
#include <QVariant>
#include <cstdint>

namespace platform {

// "12abc" -> 12, " 3.5" -> 3.5, "-2" -> -2, "abc" -> 0, "" -> 0.
double leadingNumber(const QString& text);
// The value of a typed text: like leadingNumber, but blanks, tabs and line
// feeds are ignored wherever they stand ("8 0" -> 80, "\n60" -> 60,
// "80分" -> 80, "abc" -> 0).
double LeadingNumber(const QString& text);
// Nearest whole number, a half going to the even neighbour (2.5 -> 2, 3.5 -> 4).
int64_t roundHalfEven(double value);
// Whole number read from a text: leadingNumber, then roundHalfEven.
int64_t leadingWholeNumber(const QString& text);
// Removes blanks (spaces) on both sides, as the system's trimming does.
QString trimBlanks(const QString& text);

// The short date form every list, export and preview shows: "2003-7-21".
// A date with a time of day shows the date only; Null gives ""; any other
// value its text.
QString shortDateText(const QVariant& value);

} // namespace platform
