// A value to 18 significant decimal digits: what every number text of the
// system is cut from.
#pragma once

#include <cstdint>

#include "common/extended.h"

namespace ca {

// |v| = digits x 10^(exponent - 18) with digits in [10^17, 10^18), rounded to
// nearest with ties to even (the first digit stands for 10^(exponent - 1)).
// Zero of either sign: digits and exponent 0, not negative.
struct Decimal18 {
    enum class Kind : uint8_t { kFinite, kInfinity, kNaN };
    Kind kind = Kind::kFinite;
    bool negative = false;  // a negative infinity is negative; a NaN never
    int exponent = 0;
    uint64_t digits = 0;
};

Decimal18 ToDecimal18(long double v);

}  // namespace ca
