// Shared text rules: padding, headings and the number formats. All text is
// Shift_JIS bytes and every width counts bytes.
//
// The number formats are cut from the value's 18 significant digits
// (ToDecimal18): a cut rounds half up on those digits, so 0.25 gives 0.3
// with one decimal, while the double 0.15 (0.149999999999999994...) gives
// 0.1. Infinities and NaNs read "INF", "-INF" and "NAN".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/extended.h"

namespace ca {

// The text followed by blanks up to `width` bytes; longer text is unchanged.
std::string PadRight(std::string_view text, int width);

// Decimal text of n, with one blank in front when it is shorter than 2.
std::string NumLabel(int n);

// n in decimal, right-aligned with blanks to `width`; never cut.
std::string IntField(int64_t n, int width);

// Appends v in fixed notation with `decimals` (0 or more) digits after ".",
// right-aligned to `width`. "-" stands in front of every negative value, also
// one that rounds to zero; digits past the 18th are zeros.
void AppendFixedField(std::string& out, long double v, int width, int decimals);

// Appends the distance table's general format, followed by blanks up to
// `width` bytes: 7 significant digits without trailing zeros, fixed notation
// from 0.0001 up to 7 digits before the separator, scientific otherwise
// ("1.5E-7").
void AppendDistText(std::string& out, long double v, char separator, int width = 0);

// The dendrogram's scale label: at most 9 significant digits and exactly 2
// decimals; more than 9 digits before the separator gives scientific form.
std::string ScaleLabel(long double v, char separator);

}  // namespace ca
