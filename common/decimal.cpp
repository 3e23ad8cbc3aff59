#include "common/decimal.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ca {
namespace {

using u128 = unsigned __int128;

constexpr uint64_t kLow = 100000000000000000ULL;  // 10^17
constexpr uint64_t kHigh = 10 * kLow;              // 10^18

// 5^p for p = 0..27 (the powers of five below 2^64), shifted up until the
// top bit is set, and the shift.
struct Pow5 {
    uint64_t factor;
    int zeros;
};
constexpr auto kPow5 = [] {
    std::array<Pow5, 28> t{};
    uint64_t f = 1;
    for (size_t p = 0; p < t.size(); ++p, f *= 5) {
        int z = 0;
        while (!((f << z) >> 63)) ++z;
        t[p] = {f << z, z};
    }
    return t;
}();

constexpr int kMinBinary = -40, kMaxBinary = 59;  // the binary exponents taken

// The decimal exponent e of 2^b (10^(e-1) <= 2^b < 10^e): floor(b log10 2)
// + 1, where 1233 / 4096 gives the floor exactly for these b.
constexpr int DecimalExponent(int b) { return (b * 1233 >> 12) + 1; }

// The significand from which the values of [2^b, 2^(b+1)) reach 10^e, the
// power of ten above 2^b, and take the exponent e + 1: 10^e x 2^(63-b)
// rounded up (2^64 or more where 10^e lies above the interval).
constexpr auto kThreshold = [] {
    std::array<u128, kMaxBinary - kMinBinary + 1> t{};
    for (int b = kMinBinary; b <= kMaxBinary; ++b) {
        const int e = DecimalExponent(b);
        u128 power = 1;  // 10^|e|
        for (int k = 0; k < (e < 0 ? -e : e); ++k) power *= 10;
        const u128 scale = static_cast<u128>(1) << (63 - b);
        t[b - kMinBinary] = e >= 0 ? power * scale : (scale + power - 1) / power;
    }
    return t;
}();

// The common magnitudes, 10^-10 <= |v| < 10^18, in integer arithmetic: with
// the 64-bit significand m, |v| = m x 2^(b-63), and for the p that puts
// |v| x 10^p in [10^17, 10^18) its whole part, the 18 digits before their
// rounding, is that of m x 5^p x 2^(p+b-63): one 64 x 64-bit product. False
// for every other value (zero, subnormals, infinities and NaNs among them).
bool ProductDigits(long double v, Decimal18& d) {
    uint64_t m;
    uint16_t signExponent;
    std::memcpy(&m, &v, sizeof m);
    std::memcpy(&signExponent, reinterpret_cast<const char*>(&v) + 8, sizeof signExponent);
    const int b = (signExponent & 0x7FFF) - 16383;  // 2^b <= |v| < 2^(b+1)
    if (b < kMinBinary || b > kMaxBinary || !(m >> 63)) return false;
    const int e = DecimalExponent(b) + (m >= kThreshold[b - kMinBinary] ? 1 : 0);
    const int p = 18 - e;
    if (p < 0 || p >= static_cast<int>(kPow5.size())) return false;
    // m x factor lies in [2^126, 2^128): |v| x 10^p is its high word shifted
    // down by 3 to 8 bits.
    const u128 product = static_cast<u128>(m) * kPow5[p].factor;
    const uint64_t high = static_cast<uint64_t>(product >> 64), low = static_cast<uint64_t>(product);
    const int shift = kPow5[p].zeros - p - 1 - b;
    const uint64_t whole = high >> shift;
    const uint64_t half = (high >> (shift - 1)) & 1;
    const bool rest = (high & ((uint64_t{1} << (shift - 1)) - 1)) != 0 || low != 0;
    uint64_t q = whole + (half && (rest || (whole & 1)) ? 1 : 0);  // ties go to the even neighbour
    d.exponent = e;
    if (q == kHigh) {
        q = kLow;
        ++d.exponent;
    }
    d.digits = q;
    d.negative = signExponent >> 15;
    return true;
}

// Every value by glibc's printf, which rounds the exact binary value to
// nearest, ties to even.
Decimal18 PrintedDigits(long double v) {
    Decimal18 d;
    if (std::isnan(v)) {
        d.kind = Decimal18::Kind::kNaN;
        return d;
    }
    if (std::isinf(v)) {
        d.kind = Decimal18::Kind::kInfinity;
        d.negative = v < 0;
        return d;
    }
    if (v == 0) return d;
    char text[64];  // "-d.ddddddddddddddddde+dddd"
    std::snprintf(text, sizeof text, "%.17Le", v);
    const char* p = text;
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    uint64_t q = static_cast<uint64_t>(*p++ - '0');
    ++p;  // the point
    for (int i = 0; i < 17; ++i) q = q * 10 + static_cast<uint64_t>(*p++ - '0');
    ++p;  // 'e'
    d.digits = q;
    d.exponent = std::atoi(p) + 1;
    return d;
}

}  // namespace

Decimal18 ToDecimal18(long double v) {
    Decimal18 d;
    if (ProductDigits(v, d)) return d;
    return PrintedDigits(v);
}

}  // namespace ca
