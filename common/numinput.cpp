#include "common/numinput.h"

#include <locale.h>

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
    std::string c;  // the same number in C notation for strtold
    c.reserve(n + 4);
    if (i < n && (t[i] == '+' || t[i] == '-')) c.push_back(t[i++]);
    size_t digits = 0;
    while (i < n && IsDigit(t[i])) c.push_back(t[i++]), ++digits;
    if (i < n && t[i] == separator) {
        ++i;
        c.push_back('.');
        while (i < n && IsDigit(t[i])) c.push_back(t[i++]), ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < n && (t[i] == 'E' || t[i] == 'e')) {
        ++i;
        c.push_back('e');
        if (i < n && (t[i] == '+' || t[i] == '-')) c.push_back(t[i++]);
        size_t expDigits = 0;
        while (i < n && IsDigit(t[i])) c.push_back(t[i++]), ++expDigits;
        if (expDigits == 0) return std::nullopt;
    }
    while (i < n && t[i] == ' ') ++i;
    if (i != n) return std::nullopt;
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
