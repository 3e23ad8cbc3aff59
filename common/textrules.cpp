#include "common/textrules.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace ca {

std::string PadRight(std::string_view text, int width) {
    std::string s(text);
    if (static_cast<int64_t>(s.size()) < width) s.append(width - s.size(), ' ');
    return s;
}

std::string NumLabel(int n) {
    std::string s = std::to_string(n);
    if (s.size() < 2) s.insert(s.begin(), ' ');
    return s;
}

std::string IntField(int64_t n, int width) {
    std::string s = std::to_string(n);
    if (static_cast<int64_t>(s.size()) < width) s.insert(0, width - s.size(), ' ');
    return s;
}

Decimal18 ToDecimal18(long double v) {
    Decimal18 d;
    if (std::isnan(v) || std::isinf(v)) {
        d.special = true;
        d.zero = false;
        d.negative = std::isinf(v) && v < 0;
        std::strcpy(d.digits, std::isnan(v) ? "NAN" : "INF");
        return d;
    }
    if (v == 0) {
        std::memset(d.digits, '0', 18);
        return d;
    }
    // glibc prints the exact decimal expansion rounded to nearest, ties to even.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17Le", v);
    const char* p = buf;
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    d.zero = false;
    d.digits[0] = *p++;
    ++p;  // the point
    std::memcpy(d.digits + 1, p, 17);
    p += 17;
    ++p;  // 'e'
    d.exponent = std::atoi(p) + 1;
    return d;
}

void RoundDigits(Decimal18& d, int keep) {
    if (d.zero || d.special || keep >= 18) return;
    if (keep < 0 || (keep == 0 && d.digits[0] < '5')) {
        std::memset(d.digits, '0', 18);
        d.zero = true;
        d.exponent = 0;
        return;
    }
    if (keep == 0) {  // rounds up to one unit of the next higher position
        std::memset(d.digits, '0', 18);
        d.digits[0] = '1';
        d.exponent += 1;
        return;
    }
    bool up = d.digits[keep] >= '5';
    std::memset(d.digits + keep, '0', 18 - keep);
    if (!up) return;
    int i = keep - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
        ++d.digits[i];
    } else {
        d.digits[0] = '1';
        d.exponent += 1;
    }
}

namespace {

// Digit at decimal position `pos` counted from the first significant digit
// (0-based); zeros outside the 18 digits.
char DigitAt(const Decimal18& d, int64_t pos) {
    return (pos >= 0 && pos < 18) ? d.digits[pos] : '0';
}

// Integer part and `decimals` decimals of a rounded decimal.
std::string FixedDigits(const Decimal18& d, int decimals, char separator) {
    std::string s;
    if (!d.zero && d.exponent > 0) {
        for (int64_t i = 0; i < d.exponent; ++i) s.push_back(DigitAt(d, i));
    } else {
        s.push_back('0');
    }
    if (decimals > 0) {
        s.push_back(separator);
        for (int64_t i = 0; i < decimals; ++i) s.push_back(d.zero ? '0' : DigitAt(d, d.exponent + i));
    }
    return s;
}

int SignificantCount(const Decimal18& d) {
    int n = 18;
    while (n > 1 && d.digits[n - 1] == '0') --n;
    return n;
}

std::string Scientific(const Decimal18& d, char separator) {
    int n = SignificantCount(d);
    std::string s(1, d.digits[0]);
    if (n > 1) {
        s.push_back(separator);
        s.append(d.digits + 1, n - 1);
    }
    s.push_back('E');
    s += std::to_string(d.exponent - 1);
    return s;
}

std::string Special(const Decimal18& d) { return (d.negative ? "-" : "") + std::string(d.digits); }

}  // namespace

std::string FixedField(long double v, int width, int decimals) {
    Decimal18 d = ToDecimal18(v);
    std::string s;
    if (d.special) {
        s = Special(d);
    } else {
        bool negative = d.negative;
        RoundDigits(d, d.exponent + decimals);
        s = (negative ? "-" : "") + FixedDigits(d, decimals, '.');
    }
    if (static_cast<int64_t>(s.size()) < width) s.insert(0, width - s.size(), ' ');
    return s;
}

std::string DistText(long double v, char separator) {
    Decimal18 d = ToDecimal18(v);
    if (d.special) return Special(d);
    if (d.zero) return "0";
    RoundDigits(d, 7);
    std::string s = d.negative ? "-" : "";
    int n = SignificantCount(d);
    int e = d.exponent;
    if (e > 7 || e < -3) {
        s += Scientific(d, separator);
    } else if (e > 0) {
        for (int i = 0; i < e; ++i) s.push_back(DigitAt(d, i));
        if (n > e) {
            s.push_back(separator);
            s.append(d.digits + e, n - e);
        }
    } else {
        s.push_back('0');
        s.push_back(separator);
        s.append(-e, '0');
        s.append(d.digits, n);
    }
    return s;
}

std::string ScaleLabel(long double v, char separator) {
    Decimal18 d = ToDecimal18(v);
    if (d.special) return Special(d);
    bool negative = d.negative;
    if (!d.zero) RoundDigits(d, d.exponent + 2 < 9 ? d.exponent + 2 : 9);
    std::string sign = negative ? "-" : "";
    if (!d.zero && d.exponent > 9) return sign + Scientific(d, separator);
    return sign + FixedDigits(d, 2, separator);
}

}  // namespace ca
