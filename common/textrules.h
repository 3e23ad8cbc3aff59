// Shared text rules: padding, headings and the number formats. All text is
// Shift_JIS bytes and every width counts bytes.
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

// A value taken to 18 significant decimal digits (round to nearest, ties to
// even): value = 0.d1 d2 ... d18 x 10^exponent. Zero has all digits '0' and
// exponent 0.
struct Decimal18 {
    bool negative = false;   // sign of the value (false for zero of either sign)
    bool zero = true;
    bool special = false;    // infinity or NaN: `digits` holds "INF" or "NAN"
    int exponent = 0;
    char digits[19] = {};    // 18 digit characters and a terminating NUL
};
Decimal18 ToDecimal18(long double v);

// The two ways ToDecimal18 takes: exact integer arithmetic for the common
// magnitudes (0.01 up to 2^127; false where it does not apply), and glibc's
// correctly rounded printf for every value.
bool FastDecimal18(long double v, Decimal18& out);
Decimal18 PrintfDecimal18(long double v);

// Cuts the digit string after `keep` significant digits, rounding up in
// magnitude when the first dropped digit is 5 or more (a carry may add one to
// the exponent). keep <= 0 works on the position before the first digit.
void RoundDigits(Decimal18& d, int keep);

// Fixed notation with `decimals` digits after ".", right-aligned to `width`.
// "-" stands in front of every negative value, also one that rounds to zero.
std::string FixedField(long double v, int width, int decimals);
// FixedField(v, width, decimals) appended to `out`.
void AppendFixedField(std::string& out, long double v, int width, int decimals);
// The same from the value's 18 digits (the way every value can take).
std::string FixedFieldOf(Decimal18 d, int width, int decimals);

// The distance table's general format: 7 significant digits, fixed notation
// from 0.0001 up to 7 digits before the separator, scientific otherwise.
std::string DistText(long double v, char separator);
// DistText(v, separator) appended to `out`, followed by blanks up to `width`
// bytes.
void AppendDistText(std::string& out, long double v, char separator, int width = 0);
// The same format from the value's 18 digits (the way every value can take).
std::string DistTextOf(Decimal18 d, char separator);

// The dendrogram's scale label: at most 9 significant digits and exactly 2
// decimals; more than 9 digits before the separator gives scientific form.
std::string ScaleLabel(long double v, char separator);

}  // namespace ca
