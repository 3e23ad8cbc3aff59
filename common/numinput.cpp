#include "common/numinput.h"

#include <locale.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <string>

#include "common/error.h"

namespace ca {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

locale_t CLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return loc;
}

}  // namespace

std::optional<long double> ParseNumber(std::string_view t, char separator) {
    size_t i = 0, n = t.size();
    while (i < n && t[i] == ' ') ++i;
    const size_t start = i;
    bool negative = false;
    if (i < n && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    // The digits read as one integer: value = whole x 10^scale. Up to 19
    // digits always fit in 64 bits; a longer text is gathered again below.
    auto digitAt = [&](size_t k) { return static_cast<unsigned>(static_cast<unsigned char>(t[k])) - '0'; };
    uint64_t whole = 0;
    const size_t intStart = i;
    for (unsigned d; i < n && (d = digitAt(i)) <= 9; ++i) whole = whole * 10 + d;
    const size_t intEnd = i;
    size_t point = std::string_view::npos, fracStart = i;
    if (i < n && t[i] == separator) {
        point = i++;
        fracStart = i;
        for (unsigned d; i < n && (d = digitAt(i)) <= 9; ++i) whole = whole * 10 + d;
    }
    const size_t digits = (intEnd - intStart) + (i - fracStart);
    int scale = 0;
    bool exact = true;
    if (digits <= 19) {
        scale = -static_cast<int>(i - fracStart);
    } else {
        // Leading zeros count for nothing; with more than 19 significant
        // digits the text is left to the general conversion below.
        whole = 0;
        int taken = 0;
        auto digit = [&](size_t k, bool afterPoint) {
            const unsigned d = digitAt(k);
            if (whole == 0 && d == 0) {
                if (afterPoint) --scale;
            } else if (taken < 19) {
                whole = whole * 10 + d;
                ++taken;
                if (afterPoint) --scale;
            } else {
                exact = false;
            }
        };
        for (size_t k = intStart; k < intEnd && exact; ++k) digit(k, false);
        for (size_t k = fracStart; k < i && exact; ++k) digit(k, true);
    }
    if (digits == 0) return std::nullopt;
    int64_t exponent = 0;
    if (i < n && (t[i] == 'E' || t[i] == 'e')) {
        ++i;
        bool expNegative = false;
        if (i < n && (t[i] == '+' || t[i] == '-')) expNegative = t[i++] == '-';
        size_t expDigits = 0;
        for (; i < n && IsDigit(t[i]); ++i, ++expDigits)
            if (exponent < 100000) exponent = exponent * 10 + (t[i] - '0');
        if (expDigits == 0) return std::nullopt;
        if (expNegative) exponent = -exponent;
    }
    const size_t stop = i;
    while (i < n && t[i] == ' ') ++i;
    if (i != n) return std::nullopt;

    // The integer and 10^|e| up to 10^27 are exact in 80 bits, so one
    // multiplication or division rounds once, to the nearest value: the same
    // value as the general conversion below.
    const int64_t e = scale + exponent;
    if (exact && e >= -27 && e <= 27) {
        static constexpr auto kPowers = [] {
            std::array<long double, 28> p{};
            p[0] = 1;
            for (int k = 1; k < 28; ++k) p[k] = p[k - 1] * 10;
            return p;
        }();
        const long double w = static_cast<long double>(whole);
        const long double v = e >= 0 ? w * kPowers[e] : w / kPowers[-e];
        return negative ? -v : v;
    }

    std::string c(t.substr(start, stop - start));  // the same number in C notation for strtold
    if (point != std::string_view::npos) c[point - start] = '.';
    char* end = nullptr;
    long double v = strtold_l(c.c_str(), &end, CLocale());
    if (end != c.c_str() + c.size() || std::isinf(v) || std::isnan(v)) return std::nullopt;
    return v;
}

std::optional<int32_t> ParseInt32(std::string_view t, bool bareX) {
    size_t i = 0, n = t.size();
    while (i < n && t[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    int base = 10;
    if (i < n && t[i] == '$') {
        base = 16, ++i;
    } else if (i + 1 < n && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        base = 16, i += 2;
    } else if (bareX && i < n && (t[i] == 'x' || t[i] == 'X')) {
        base = 16, ++i;
    }
    if (i == n) return std::nullopt;
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    int64_t value = 0;
    for (; i < n; ++i) {
        int d = base == 16 ? HexValue(t[i]) : (IsDigit(t[i]) ? t[i] - '0' : -1);
        if (d < 0) return std::nullopt;
        value = value * base + d;
        if (value > limit) return std::nullopt;
    }
    return static_cast<int32_t>(negative ? -value : value);
}

int32_t StrToInt(std::string_view sjisText) {
    if (auto v = ParseInt32(sjisText)) return *v;
    throw ConvertError(sjisText);
}

}  // namespace ca
