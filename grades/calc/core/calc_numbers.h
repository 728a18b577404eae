#pragma once
// Number texts of the calculation's prompts and log.
// Stand-in until the shared number texts land; same names, same meaning.

#include <QString>

// " 100", "-5", " .5": with sign room, no zero before the point.
QString numberTextSingle(float value);
// "100", "-5", "0.5": for joining to other text; 7 significant digits.
QString plainNumberTextSingle(float value);
// The same with 15 significant digits.
QString plainNumberTextDouble(double value);
