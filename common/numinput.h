// Reading numbers typed by the user or stored in files.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "common/extended.h"

namespace ca {

// Number input: optional blanks, an optional sign, digits with an optional
// decimal separator and digits after it (at least one digit in all), an
// optional exponent ("E" or "e", optional sign, digits), optional blanks and
// nothing else. The value is the 80-bit number nearest to the decimal text; a
// value beyond the 80-bit range fails like any bad text.
std::optional<long double> ParseNumber(std::string_view text, char separator);

// Integer forms. Decimal: an optional sign and digits. Hexadecimal: the sign,
// then "$", "0x" or "0X" and hex digits; with `bareX` also "x" or "X". The
// value must fit a signed 32-bit integer. Leading blanks are skipped.
std::optional<int32_t> ParseInt32(std::string_view text, bool bareX = false);

// Integer input for typed text: ParseInt32, else ConvertError
// ("'%s' は整数ではありません").
int32_t StrToInt(std::string_view sjisText);

}  // namespace ca
