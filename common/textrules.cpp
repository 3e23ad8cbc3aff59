#include "common/textrules.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

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

namespace {

using u128 = unsigned __int128;

// Powers of ten up to 10^38 (all that 128 bits hold).
struct Pow10Table {
    u128 v[39];
    constexpr Pow10Table() : v() {
        v[0] = 1;
        for (int i = 1; i < 39; ++i) v[i] = v[i - 1] * 10;
    }
};
constexpr Pow10Table kPow10;
constexpr u128 kLow18 = static_cast<u128>(100000000000000000ULL);    // 10^17
constexpr u128 kHigh18 = static_cast<u128>(1000000000000000000ULL);  // 10^18

int DecimalDigits(u128 n) {
    int d = 1;
    while (d < 39 && n >= kPow10.v[d]) ++d;
    return d;
}

void PutDigits(uint64_t q, Decimal18& d) {
    for (int i = 17; i >= 0; --i) {
        d.digits[i] = static_cast<char>('0' + static_cast<int>(q % 10));
        q /= 10;
    }
    d.digits[18] = '\0';
}

// The 18 significant digits of a nonzero finite v as the integer q in
// [10^17, 10^18): |v| = q x 10^(exponent - 18), rounded to nearest, ties to
// even. False where the exact integer arithmetic does not reach.
bool FastDigits(long double v, bool& negative, int& exponent, uint64_t& digits) {
    if (!(v == v) || v == 0) return false;
    negative = v < 0;
    const long double a = negative ? -v : v;
    uint64_t m;
    uint16_t se;
    std::memcpy(&m, &a, 8);
    std::memcpy(&se, reinterpret_cast<const char*>(&a) + 8, 2);
    const int biased = se & 0x7FFF;
    if (biased == 0 || biased == 0x7FFF || !(m >> 63)) return false;  // subnormal, infinite, unnormal
    const int e2 = biased - 16383 - 63;  // a = m * 2^e2
    u128 q;
    if (e2 >= 0) {
        if (e2 > 63) return false;
        const u128 n = static_cast<u128>(m) << e2;
        const int digits = DecimalDigits(n);
        if (digits <= 18) {
            q = n * kPow10.v[18 - digits];
            exponent = digits;
        } else {
            const u128 p = kPow10.v[digits - 18];
            q = n / p;
            const u128 r = n % p, half = p / 2;
            if (r > half || (r == half && (q & 1))) ++q;
            exponent = digits;
            if (q == kHigh18) {
                q = kLow18;
                ++exponent;
            }
        }
    } else {
        const int s = -e2;
        // a lies in [2^(b), 2^(b+1)) with b = biased - 16383: a first guess of
        // its decimal magnitude, corrected below.
        int p = 17 - static_cast<int>(std::floor((biased - 16383) * 0.30102999566398119521));
        for (int tries = 0;; ++tries) {
            if (tries > 2 || p < -19 || p > 19 || s > 100 || (p < 0 && s > 60)) return false;
            // a * 10^p = num / den exactly, with one of the two a power of ten.
            const u128 num = p >= 0 ? static_cast<u128>(m) * kPow10.v[p] : static_cast<u128>(m);
            const u128 den = (p >= 0 ? static_cast<u128>(1) : kPow10.v[-p]) << s;
            const u128 whole = p >= 0 ? num >> s : num / den;  // a shift where den is a power of two
            if (whole >= kHigh18) {
                --p;
                continue;
            }
            if (whole < kLow18) {
                ++p;
                continue;
            }
            const u128 rem = p >= 0 ? num & (den - 1) : num % den;
            const u128 half = den / 2;  // den is even: s >= 1
            q = whole;
            if (rem > half || (rem == half && (q & 1))) ++q;
            if (q == kHigh18) {
                q = kLow18;
                --p;
            }
            exponent = 18 - p;
            break;
        }
    }
    digits = static_cast<uint64_t>(q);
    return true;
}

}  // namespace

bool FastDecimal18(long double v, Decimal18& d) {
    bool negative;
    int exponent;
    uint64_t q;
    if (!FastDigits(v, negative, exponent, q)) return false;
    d = Decimal18();
    d.negative = negative;
    d.zero = false;
    d.exponent = exponent;
    PutDigits(q, d);
    return true;
}

Decimal18 ToDecimal18(long double v) {
    Decimal18 d;
    if (FastDecimal18(v, d)) return d;
    return PrintfDecimal18(v);
}

Decimal18 PrintfDecimal18(long double v) {
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

// What RoundDigits(d, keep) leaves of ToDecimal18(v), straight from the
// integer of the 18 digits: the digits after the first `keep` dropped,
// rounding up from a dropped 5. `keep` counts from the first digit, or from
// the decimal point when `afterPoint`. False where the integer route does not
// reach or fewer than 1 or more than 17 digits are kept.
bool FastCut(long double v, int keep, bool afterPoint, Decimal18& d) {
    bool negative;
    int exponent;
    uint64_t q;
    if (!FastDigits(v, negative, exponent, q)) return false;
    if (afterPoint) keep += exponent;
    if (keep < 1 || keep > 17) return false;
    const uint64_t cut = static_cast<uint64_t>(kPow10.v[18 - keep]);
    uint64_t kept = q / cut + (q % cut >= cut / 2 ? 1 : 0);
    if (kept == static_cast<uint64_t>(kPow10.v[keep])) {  // 99..9 rounded up to 100..0
        kept /= 10;
        ++exponent;
    }
    d = Decimal18();
    d.negative = negative;
    d.zero = false;
    d.exponent = exponent;
    for (int i = keep - 1; i >= 0; --i, kept /= 10) d.digits[i] = static_cast<char>('0' + kept % 10);
    std::memset(d.digits + keep, '0', 18 - keep);
    return true;
}

std::string RightAligned(std::string s, int width) {
    if (static_cast<int64_t>(s.size()) < width) s.insert(0, width - s.size(), ' ');
    return s;
}

// The general format of a value already cut to 7 significant digits, built
// in place.
std::string GeneralText(const Decimal18& d, char separator) {
    char buf[64];
    int len = 0;
    if (d.negative) buf[len++] = '-';
    const int n = SignificantCount(d);
    const int e = d.exponent;
    if (e > 7 || e < -3) {
        buf[len++] = d.digits[0];
        if (n > 1) {
            buf[len++] = separator;
            std::memcpy(buf + len, d.digits + 1, n - 1);
            len += n - 1;
        }
        buf[len++] = 'E';
        len += std::snprintf(buf + len, sizeof buf - len, "%d", e - 1);
    } else if (e > 0) {
        for (int i = 0; i < e; ++i) buf[len++] = DigitAt(d, i);
        if (n > e) {
            buf[len++] = separator;
            std::memcpy(buf + len, d.digits + e, n - e);
            len += n - e;
        }
    } else {
        buf[len++] = '0';
        buf[len++] = separator;
        for (int i = 0; i < -e; ++i) buf[len++] = '0';
        std::memcpy(buf + len, d.digits, n);
        len += n;
    }
    return std::string(buf, len);
}

}  // namespace

std::string FixedField(long double v, int width, int decimals) {
    Decimal18 d;
    if (decimals > 20 || !FastCut(v, decimals, true, d)) return FixedFieldOf(ToDecimal18(v), width, decimals);
    // At most 17 digits before the point (at least one digit is kept).
    char buf[48];
    int len = 0;
    if (d.negative) buf[len++] = '-';
    if (d.exponent > 0) {
        for (int i = 0; i < d.exponent; ++i) buf[len++] = DigitAt(d, i);
    } else {
        buf[len++] = '0';
    }
    if (decimals > 0) {
        buf[len++] = '.';
        for (int i = 0; i < decimals; ++i) buf[len++] = DigitAt(d, d.exponent + i);
    }
    std::string s;
    s.reserve(width > len ? width : len);
    if (width > len) s.append(width - len, ' ');
    s.append(buf, len);
    return s;
}

std::string FixedFieldOf(Decimal18 d, int width, int decimals) {
    std::string s;
    if (d.special) {
        s = Special(d);
    } else {
        bool negative = d.negative;
        RoundDigits(d, d.exponent + decimals);
        s = (negative ? "-" : "") + FixedDigits(d, decimals, '.');
    }
    return RightAligned(std::move(s), width);
}

std::string DistText(long double v, char separator) {
    Decimal18 d;
    if (!FastCut(v, 7, false, d)) return DistTextOf(ToDecimal18(v), separator);
    return GeneralText(d, separator);
}

std::string DistTextOf(Decimal18 d, char separator) {
    if (d.special) return Special(d);
    if (d.zero) return "0";
    RoundDigits(d, 7);
    return GeneralText(d, separator);
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
