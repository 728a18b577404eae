#pragma once
// An exam room as the choosers show it ("7考室") and as the score tables
// store it in 考室 ("007").

#include <QString>

// The label less its last two characters (the word 考室), blanks trimmed, one
// or two characters padded with "0" on the left; a longer rest is kept as it
// is. A label without a number names no room and gives "", which no stored
// code equals.
QString roomCodeOfLabel(const QString& label);
