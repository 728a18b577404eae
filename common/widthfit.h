#pragma once
// Fitting texts to display columns for the column-aligned listings, where a
// Chinese (double-byte GBK) character takes two columns and any other one.

#include <QString>
#include <cstdint>
#include <optional>

// Pads with blanks to `width` columns (text first when leftAlign is -1, blanks
// first otherwise) or cuts to `width`. A double-byte character that crosses
// the limit is kept whole, so such a result is one column wider than asked.
// Without a width the text comes back unchanged.
QString PadToWidth(const QString& text, std::optional<int16_t> width = std::nullopt, int16_t leftAlign = 0);
