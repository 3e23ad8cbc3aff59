#include "common/textrules.h"

#include <bit>
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

constexpr int DecimalDigits(u128 n) {
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

// The hot path of the two table formats: values from 10^-10 up to 10^18 take
// their 18 digits from one 64 x 64-bit product. With the 64-bit significand m,
// |v| = m x 2^(b-63), and |v| x 10^p = m x 5^p x 2^(p+b-63).

constexpr int kMinBinary = -40, kMaxBinary = 59;  // the binary exponents b covered

// The decimal exponent e (10^(e-1) <= |v| < 10^e) of every |v| in
// [2^b, 2^(b+1)) straight from m: at most one power of ten lies in that
// interval, so e is base[b] plus one where m reaches threshold[b] (0 where no
// power of ten lies in it).
struct MagnitudeTable {
    int8_t base[kMaxBinary - kMinBinary + 1];
    uint64_t threshold[kMaxBinary - kMinBinary + 1];
    constexpr MagnitudeTable() : base(), threshold() {
        for (int b = kMinBinary; b <= kMaxBinary; ++b) {
            int e;            // the exponent of 2^b itself
            bool inside;      // 10^e < 2^(b+1)
            u128 limit = 0;   // ceil(10^e x 2^(63-b)): the m of 10^e rounded up
            if (b >= 0) {
                const u128 two = static_cast<u128>(1) << b;
                e = DecimalDigits(two);
                inside = kPow10.v[e] < (two << 1);
                limit = kPow10.v[e] << (63 - b);
            } else {
                const u128 two = static_cast<u128>(1) << -b;  // 10^t < 2^-b <= 10^(t+1)
                int t = 0;
                while (kPow10.v[t + 1] < two) ++t;
                e = -t;
                inside = (two >> 1) < kPow10.v[t];
                limit = ((static_cast<u128>(1) << (63 - b)) + kPow10.v[t] - 1) / kPow10.v[t];
            }
            base[b - kMinBinary] = static_cast<int8_t>(inside ? e : e - 1);
            threshold[b - kMinBinary] = inside ? static_cast<uint64_t>(limit) : 0;
        }
    }
};
constexpr MagnitudeTable kMagnitude;

// 5^p shifted up to fill 64 bits (p = 0..27, all exact), and the shift.
struct Pow5Table {
    uint64_t factor[28];
    int8_t zeros[28];
    constexpr Pow5Table() : factor(), zeros() {
        uint64_t f = 1;
        for (int p = 0; p < 28; ++p, f *= 5) {
            int z = 0;
            while (!((f << z) >> 63)) ++z;
            factor[p] = f << z;
            zeros[p] = static_cast<int8_t>(z);
        }
    }
};
constexpr Pow5Table kPow5;

// What FastDigits gives for a nonzero v with 10^-10 <= |v| < 10^18; false
// outside that range (and for zero, subnormals, infinities and NaNs).
inline bool HotDigits(long double v, bool& negative, int& exponent, uint64_t& q) {
    uint64_t m;
    uint16_t se;
    std::memcpy(&m, &v, 8);
    std::memcpy(&se, reinterpret_cast<const char*>(&v) + 8, 2);
    const int b = (se & 0x7FFF) - 16383;
    if (b < kMinBinary || b > kMaxBinary || !(m >> 63)) return false;
    int e = kMagnitude.base[b - kMinBinary] + (m >= kMagnitude.threshold[b - kMinBinary] ? 1 : 0);
    const int p = 18 - e;
    if (p < 0 || p > 27) return false;
    // |v| x 10^p = (m x factor) / 2^(64 + shift), in [10^17, 10^18), and
    // m x factor lies in [2^126, 2^128): shift is 3..8.
    const u128 num = static_cast<u128>(m) * kPow5.factor[p];
    const uint64_t high = static_cast<uint64_t>(num >> 64), low = static_cast<uint64_t>(num);
    const int shift = kPow5.zeros[p] - p - 1 - b;
    const uint64_t whole = high >> shift;
    const uint64_t half = (high >> (shift - 1)) & 1;
    const uint64_t sticky = ((high & ((uint64_t{1} << (shift - 1)) - 1)) | low) != 0;
    q = whole + (half & (sticky | whole));  // ties go to the even neighbour
    if (q == kHigh18) {
        q = static_cast<uint64_t>(kLow18);
        ++e;
    }
    negative = se >> 15;
    exponent = e;
    return true;
}

// Division of q < 2^60 by 10^j (j = 1..18) as a product: with 2^bits the
// power of two from 10^j up and factor = ceil(2^(60+bits) / 10^j) (61 bits at
// most), q / 10^j = (q x factor) / 2^(60+bits) rounded down, exactly, as
// factor x 10^j exceeds 2^(60+bits) by less than 10^j <= 2^bits.
struct Reciprocals {
    uint64_t factor[19];
    int8_t shift[19];
    constexpr Reciprocals() : factor(), shift() {
        for (int j = 1; j < 19; ++j) {
            int bits = 0;  // ceil(log2 10^j)
            while ((static_cast<u128>(1) << bits) < kPow10.v[j]) ++bits;
            const u128 two = static_cast<u128>(1) << (60 + bits);
            factor[j] = static_cast<uint64_t>((two + kPow10.v[j] - 1) / kPow10.v[j]);
            shift[j] = static_cast<int8_t>(bits - 4);
        }
    }
};
constexpr Reciprocals kReciprocal;

// q < 10^18 cut to q / 10^j, rounded up from a remainder of one half; j is 1..18.
inline uint64_t CutHalfUp(uint64_t q, int j) {
    const uint64_t kept = static_cast<uint64_t>((static_cast<u128>(q) * kReciprocal.factor[j]) >> 64) >> kReciprocal.shift[j];
    const uint64_t unit = static_cast<uint64_t>(kPow10.v[j]);
    return kept + (q - kept * unit >= unit / 2 ? 1 : 0);
}

// The 8 decimal digits of x < 10^8 as the bytes of a word, the first digit
// in the lowest byte (values 0..9, not yet characters): both halves of 4
// digits split into 2 pairs, then each pair into 2 digits, side by side in
// one word.
inline uint64_t DigitBytes(uint32_t x) {
    const uint64_t halves = (x / 10000) | (static_cast<uint64_t>(x % 10000) << 32);
    const uint64_t hundreds = ((halves * 10486) >> 20) & 0x0000007F0000007FULL;  // y / 100 for y < 10^4
    const uint64_t pairs = hundreds | ((halves - hundreds * 100) << 16);
    const uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000FULL;  // y / 10 for y < 100
    return tens | ((pairs - tens * 10) << 8);
}

// A mask of the lowest `count` bytes of a word (count 0..8).
inline uint64_t LowBytes(int count) { return count >= 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * count)) - 1; }

}  // namespace

void AppendFixedField(std::string& out, long double v, int width, int decimals) {
    // The field is the integer kept = |v| x 10^decimals rounded, written with
    // a point before its last `decimals` digits, when the hot path reaches it
    // (at most 17 digits kept from the 18).
    bool negative = false;
    int e = 0;
    uint64_t q = 0;
    const bool hot = HotDigits(v, negative, e, q);
    if (decimals < 0 || decimals > 17 || (!hot && v != 0) || e + decimals > 17) {
        out += FixedFieldOf(ToDecimal18(v), width, decimals);
        return;
    }
    const int keep = e + decimals;  // digits kept from the first
    uint64_t kept = 0;
    // kept has `keep` digits, or one more after a carry up to 10^keep; at
    // least one digit stands before the point.
    int digits = decimals + 1;
    if (hot && keep >= 0) {
        kept = CutHalfUp(q, 18 - keep);
        const int own = kept >= kPow10.v[keep] ? keep + 1 : keep;
        if (own > digits) digits = own;
    }
    const int len = digits + (decimals > 0 ? 1 : 0) + (negative ? 1 : 0);
    out.append(len < width ? width : len, ' ');
    char* p = out.data() + out.size();
    for (int i = 0; i < decimals; ++i, kept /= 10) *--p = static_cast<char>('0' + kept % 10);
    if (decimals > 0) *--p = '.';
    for (int i = decimals; i < digits; ++i, kept /= 10) *--p = static_cast<char>('0' + kept % 10);
    if (negative) *--p = '-';
}

std::string FixedField(long double v, int width, int decimals) {
    std::string s;
    AppendFixedField(s, v, width, decimals);
    return s;
}

void AppendDistText(std::string& out, long double v, char separator, int width) {
    bool negative;
    int e;
    uint64_t q;
    if (!HotDigits(v, negative, e, q)) {
        const size_t start = out.size();
        if (v == 0) {
            out.push_back('0');
        } else {
            out += DistTextOf(ToDecimal18(v), separator);
        }
        if (out.size() - start < static_cast<size_t>(width)) out.append(start + width - out.size(), ' ');
        return;
    }
    uint32_t kept = static_cast<uint32_t>((q + 50000000000ULL) / 100000000000ULL);  // 7 of the 18 digits
    if (kept == 10000000) {  // 9999999 rounded up
        kept = 1000000;
        ++e;
    }
    // The text is built in a 16-byte word, its first character in the
    // lowest byte: at most 13 characters ("-1.234567E-10").
    const uint64_t values = DigitBytes(kept);  // a 0, then the 7 digits
    const int n = 7 - std::countl_zero(values) / 8;  // the digits without trailing zeros
    const uint64_t digits = (values >> 8) + 0x0030303030303030ULL;
    const uint64_t sep = static_cast<unsigned char>(separator);
    u128 text;
    int len;
    if (e > 7 || e < -3) {
        uint64_t head = digits & 0xFF;
        len = 1;
        if (n > 1) {
            head |= (sep << 8) | ((digits << 8) & ~uint64_t{0xFFFF});
            len = n + 1;
        }
        head &= LowBytes(len);
        int x = e - 1;  // -10..18
        uint32_t tail = 'E';
        int tailLen = 1;
        if (x < 0) {
            tail |= uint32_t{'-'} << 8;
            tailLen = 2;
            x = -x;
        }
        if (x >= 10) {
            tail |= static_cast<uint32_t>('0' + x / 10) << (8 * tailLen++);
            x %= 10;
        }
        tail |= static_cast<uint32_t>('0' + x) << (8 * tailLen++);
        text = head | (static_cast<u128>(tail) << (8 * len));
        len += tailLen;
    } else if (e > 0) {
        if (n > e) {
            text = (digits & LowBytes(e)) | (sep << (8 * e)) | ((digits << 8) & ~LowBytes(e + 1));
            len = n + 1;
        } else {
            text = digits;
            len = e;
        }
    } else {
        const int zeros = 2 - e;  // "0", the separator and -e zeros
        const uint64_t head = (0x3030303030ULL & ~uint64_t{0xFF00}) | (sep << 8);
        text = (head & LowBytes(zeros)) | (static_cast<u128>(digits) << (8 * zeros));
        len = zeros + n;
    }
    if (negative) {
        text = (text << 8) | '-';
        ++len;
    }
    const size_t start = out.size();
    const int total = width > len ? width : len;
    out.append(total, ' ');
    char* p = out.data() + start;
    // Word stores of the text (with the blanks after it where the field has
    // room for a whole word): the second word ends with the last character.
    if (len >= 8) {
        const uint64_t first = static_cast<uint64_t>(text), last = static_cast<uint64_t>(text >> (8 * (len - 8)));
        std::memcpy(p, &first, 8);
        std::memcpy(p + len - 8, &last, 8);
    } else if (total >= 8) {
        const uint64_t word = (static_cast<uint64_t>(text) & LowBytes(len)) | (0x2020202020202020ULL & ~LowBytes(len));
        std::memcpy(p, &word, 8);
    } else {
        for (int i = 0; i < len; ++i, text >>= 8) p[i] = static_cast<char>(text);
    }
}

std::string DistText(long double v, char separator) {
    std::string s;
    AppendDistText(s, v, separator);
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
