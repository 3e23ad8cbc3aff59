#include "common/textrules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "common/decimal.h"
#include "common/error.h"

namespace ca {
namespace {

TEST(TextRules, PadRightCountsBytes) {
    EXPECT_EQ(PadRight("AB", 10), "AB        ");
    EXPECT_EQ(PadRight("", 3), "   ");
    EXPECT_EQ(PadRight("ABCDEFGHIJKL", 10), "ABCDEFGHIJKL");  // never cut
    std::string five = J("あいうえお");                          // 10 bytes exactly
    EXPECT_EQ(PadRight(five, 10), five);
    std::string three = J("あいう");
    EXPECT_EQ(PadRight(three, 10), three + "    ");
    std::string kana = J("ｱｲ");  // half-width katakana: one byte each
    ASSERT_EQ(kana.size(), 2u);
    EXPECT_EQ(PadRight(kana, 10), kana + "        ");
    EXPECT_EQ(PadRight(J("ラベル"), 12).size(), 12u);
}

TEST(TextRules, NumLabelAndIntField) {
    EXPECT_EQ(NumLabel(7), " 7");
    EXPECT_EQ(NumLabel(9), " 9");
    EXPECT_EQ(NumLabel(10), "10");
    EXPECT_EQ(NumLabel(123), "123");
    EXPECT_EQ(NumLabel(0), " 0");
    EXPECT_EQ(IntField(1, 3), "  1");
    EXPECT_EQ(IntField(999, 3), "999");
    EXPECT_EQ(IntField(1000, 3), "1000");
    EXPECT_EQ(IntField(-5, 3), " -5");
}

std::string Fixed(long double v, int width, int decimals) {
    std::string s;
    AppendFixedField(s, v, width, decimals);
    return s;
}

std::string Dist(long double v, char separator) {
    std::string s;
    AppendDistText(s, v, separator);
    return s;
}

TEST(TextRules, FixedFieldRoundsTheEighteenDigitForm) {
    EXPECT_EQ(Fixed(0.25L, 7, 1), "    0.3");
    EXPECT_EQ(Fixed(2.25L, 7, 1), "    2.3");
    EXPECT_EQ(Fixed(-0.04L, 7, 1), "   -0.0");
    EXPECT_EQ(Fixed(1.5L, 7, 1), "    1.5");
    EXPECT_EQ(Fixed(12, 7, 1), "   12.0");
    EXPECT_EQ(Fixed(1000000, 7, 1), "1000000.0");
    EXPECT_EQ(Fixed(0.95L, 7, 1), "    1.0");
    EXPECT_EQ(Fixed(-9.95L, 7, 1), "  -10.0");
    EXPECT_EQ(Fixed(0, 7, 1), "    0.0");
    EXPECT_EQ(Fixed(-0.0L, 7, 1), "    0.0");
    EXPECT_EQ(Fixed(1e-30L, 7, 1), "    0.0");
    EXPECT_EQ(Fixed(-1e-30L, 7, 1), "   -0.0");
    // 0.15 held as a double is 0.149999999999999994...: its 18 digits end in 4s
    // and it stays 0.1, while the extended 0.15 reads 0.150000000000000000.
    EXPECT_EQ(Fixed(static_cast<long double>(0.15), 7, 1), "    0.1");
    EXPECT_EQ(Fixed(0.15L, 7, 1), "    0.2");
    // 0.05 as a double is 0.05000000000000000277: the first dropped digit is 5.
    EXPECT_EQ(Fixed(static_cast<long double>(0.05), 7, 1), "    0.1");
    // More than 18 digits before the point: the digits past the 18th are zeros.
    EXPECT_EQ(Fixed(1e20L, 7, 1), "100000000000000000000.0");
    EXPECT_EQ(Fixed(123456789012345678901.0L, 7, 1), "123456789012345679000.0");
    EXPECT_EQ(Fixed(2.5L, 0, 3), "2.500");
}

TEST(TextRules, DistTextGeneralFormat) {
    EXPECT_EQ(Dist(0, '.'), "0");
    EXPECT_EQ(Dist(3, '.'), "3");
    EXPECT_EQ(Dist(2.5L, '.'), "2.5");
    EXPECT_EQ(Dist(10, '.'), "10");
    EXPECT_EQ(Dist(1234567.8L, '.'), "1234568");
    EXPECT_EQ(Dist(1e8L, '.'), "1E8");
    EXPECT_EQ(Dist(12345678, '.'), "1.234568E7");
    EXPECT_EQ(Dist(0.5L, '.'), "0.5");
    EXPECT_EQ(Dist(0.0001234L, '.'), "0.0001234");
    EXPECT_EQ(Dist(0.00001234L, '.'), "1.234E-5");
    EXPECT_EQ(Dist(0.0001234567L, '.'), "0.0001234567");
    EXPECT_EQ(Dist(0.0001L, '.'), "0.0001");
    EXPECT_EQ(Dist(0.00009999999L, '.'), "9.999999E-5");
    EXPECT_EQ(Dist(0.000099999999L, '.'), "0.0001");  // carries into fixed range
    EXPECT_EQ(Dist(9999999.5L, '.'), "1E7");           // carry out of the first digit
    EXPECT_EQ(Dist(9999999.4L, '.'), "9999999");
    EXPECT_EQ(Dist(99999995, '.'), "1E8");
    EXPECT_EQ(Dist(1.0L / 3, '.'), "0.3333333");
    EXPECT_EQ(Dist(2.0L / 3, '.'), "0.6666667");
    EXPECT_EQ(Dist(1.4142135623730950488L, '.'), "1.414214");
    EXPECT_EQ(Dist(-2.5L, '.'), "-2.5");
    EXPECT_EQ(Dist(2.5L, ','), "2,5");
    EXPECT_EQ(Dist(1.5e-7L, ','), "1,5E-7");
    EXPECT_EQ(Dist(1e300L, '.'), "1E300");
}

TEST(TextRules, ScaleLabelNineDigitsTwoDecimals) {
    EXPECT_EQ(ScaleLabel(12.345L, '.'), "12.35");
    EXPECT_EQ(ScaleLabel(0.125L, '.'), "0.13");
    EXPECT_EQ(ScaleLabel(0, '.'), "0.00");
    EXPECT_EQ(ScaleLabel(7.5L, '.'), "7.50");
    EXPECT_EQ(ScaleLabel(25.25L, '.'), "25.25");
    EXPECT_EQ(ScaleLabel(1234567.891L, '.'), "1234567.89");
    EXPECT_EQ(ScaleLabel(123456789.1L, '.'), "123456789.00");
    EXPECT_EQ(ScaleLabel(1234567890, '.'), "1.23456789E9");
    EXPECT_EQ(ScaleLabel(999999999.5L, '.'), "1E9");
    EXPECT_EQ(ScaleLabel(0.005L, '.'), "0.01");
    EXPECT_EQ(ScaleLabel(0.004L, '.'), "0.00");
    EXPECT_EQ(ScaleLabel(0.994L, '.'), "0.99");
    EXPECT_EQ(ScaleLabel(0.995L, '.'), "1.00");
    EXPECT_EQ(ScaleLabel(12.345L, ','), "12,35");
    EXPECT_EQ(ScaleLabel(-1.5L, '.'), "-1.50");
}


// The reference for the number formats: the value's 18 digits as glibc's
// printf gives them (correctly rounded, ties to even), cut by string
// arithmetic, half up; the general and scientific layouts are printf's %G.
struct Printed {
    bool negative;
    std::string digits;  // 18 of them: |v| = 0.digits x 10^exponent
    int exponent;
};

Printed Print(long double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17Le", std::fabs(v));  // "d.ddddddddddddddddde+x"
    return {v < 0, text[0] + std::string(text + 2, 17), std::atoi(text + 20) + 1};
}

// The digits cut after the first `count` (none when count <= 0): rounded up
// when the first digit dropped is 5 or more, a carry adding a digit in front.
std::string CutText(const Printed& p, int count, int& exponent) {
    exponent = p.exponent;
    if (count >= 18) return p.digits;
    std::string s = p.digits.substr(0, std::max(count, 0));
    if (count < 0 || p.digits[count] < '5') return s;
    size_t i = s.size();
    while (i > 0 && s[i - 1] == '9') s[--i] = '0';
    if (i == 0) {
        s.insert(0, "1");
        ++exponent;
    } else {
        ++s[i - 1];
    }
    return s;
}

// The cut digits in printf's general form, its exponent written "E7", "E-5".
std::string General(const Printed& p, int count, int precision, char separator) {
    int e;
    const std::string cut = CutText(p, count, e);
    // Printed at an exponent of the same layout that long double holds.
    const int shown = std::clamp(e, -40, 40);
    const long double r = std::strtold(("0." + cut + "0e" + std::to_string(shown)).c_str(), nullptr);
    char text[64];
    std::snprintf(text, sizeof text, "%s%.*LG", p.negative ? "-" : "", precision, r);
    std::string s = text;
    if (const size_t at = s.find('E'); at != std::string::npos)
        s = s.substr(0, at + 1) + std::to_string(std::atoi(s.c_str() + at + 1) + e - shown);
    for (char& c : s)
        if (c == '.') c = separator;
    return s;
}

std::string RefFixed(long double v, int width, int decimals) {
    std::string s;
    if (std::isinf(v) || std::isnan(v)) {
        s = std::isnan(v) ? "NAN" : v < 0 ? "-INF" : "INF";
    } else {
        const Printed p = Print(v);
        int e;
        std::string digits = v == 0 ? "" : CutText(p, p.exponent + decimals, e);
        if (!digits.empty()) digits.append(e + decimals - digits.size(), '0');  // |v| x 10^decimals
        if (static_cast<int>(digits.size()) <= decimals) digits.insert(0, decimals + 1 - digits.size(), '0');
        if (decimals > 0) digits.insert(digits.size() - decimals, ".");
        s = (p.negative ? "-" : "") + digits;
    }
    return std::string(std::max(width - static_cast<int>(s.size()), 0), ' ') + s;
}

std::string RefDist(long double v, char separator) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
    return General(Print(v), 7, 7, separator);
}

std::string RefScale(long double v, char separator) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
    const Printed p = Print(v);
    int e;
    const std::string cut = CutText(p, std::min(p.exponent + 2, 9), e);
    if (e > 9) return General(p, 9, 9, separator);
    char text[64];
    const long double r = std::strtold(("0." + cut + "0e" + std::to_string(e)).c_str(), nullptr);
    std::snprintf(text, sizeof text, "%s%.2Lf", p.negative ? "-" : "", r);
    std::string s = text;
    s[s.size() - 3] = separator;
    return s;
}

void ExpectSameAsReference(long double v, int decimals, char separator) {
    char bits[64];  // the exact value
    std::snprintf(bits, sizeof bits, "%La", v);
    const Decimal18 d = ToDecimal18(v);
    if (std::isfinite(v)) {
        const Printed p = Print(v);
        ASSERT_EQ(d.kind, Decimal18::Kind::kFinite) << bits;
        ASSERT_EQ(d.digits == 0 ? std::string(18, '0') : std::to_string(d.digits), p.digits) << bits;
        ASSERT_EQ(d.exponent, v == 0 ? 0 : p.exponent) << bits;
        ASSERT_EQ(d.negative, v < 0) << bits;
    }
    ASSERT_EQ(Fixed(v, 7, decimals), RefFixed(v, 7, decimals)) << bits << " decimals " << decimals;
    ASSERT_EQ(Fixed(v, 7, 1), RefFixed(v, 7, 1)) << bits;
    ASSERT_EQ(Dist(v, separator), RefDist(v, separator)) << bits;
    ASSERT_EQ(ScaleLabel(v, separator), RefScale(v, separator)) << bits;
}

long double FromBits(uint64_t significand, uint16_t signExponent) {
    long double v = 0;
    std::memcpy(&v, &significand, 8);
    std::memcpy(reinterpret_cast<char*>(&v) + 8, &signExponent, 2);
    return v;
}

// Every number text agrees with the reference: random bit patterns over the
// whole range and densely where tables live (both edges of the product's
// range among them), ties at the 18th digit and at the cuts, and the edge
// values.
TEST(TextRules, NumberTextsAgreeWithGlibcDigitsCutByHand) {
    uint64_t x = 0x9E3779B97F4A7C15ULL;
    auto next = [&x](uint64_t bound) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        return x % bound;
    };
    auto check = [&](long double v) {
        ExpectSameAsReference(v, static_cast<int>(next(19)), next(2) ? ',' : '.');
        ExpectSameAsReference(-v, static_cast<int>(next(19)), next(2) ? ',' : '.');
    };
    const uint64_t top = 1ULL << 63;
    for (int i = 0; i < 40000 && !HasFatalFailure(); ++i) {
        const uint64_t m = next(~0ULL) | top;
        if (i % 16 == 0) check(FromBits(m, static_cast<uint16_t>(next(0x7FFF))));  // any normal value
        check(FromBits(m, static_cast<uint16_t>(16383 - 45 + next(110))));  // 2^-45 to 2^64
        if (i % 4 == 1) check(FromBits(m >> 1, 0));  // subnormal
        // A tie at the 18th digit: n x 2^-k with n x 5^k of 19 digits, the
        // last 5 (n odd).
        const int k = 1 + static_cast<int>(next(26));
        const uint64_t low = static_cast<uint64_t>(1e18L / std::pow(5.0L, k)) + 1;
        check(std::ldexp(static_cast<long double>((low + next(low * 4)) | 1), -k));
        // Ties at the cuts: texts of 1 to 12 digits ending in 5, at any scale
        // (after one decimal, at the 7th and the 9th digit among them).
        std::string text = std::to_string(next(100000000000ULL)) + "5e-" + std::to_string(next(22));
        check(std::strtold(text.c_str(), nullptr));
    }
    // The ends of the product's range, powers of ten and the carries next to
    // them, the extremes and the special values.
    for (int e = -40; e <= 40 && !HasFatalFailure(); ++e) {
        long double v = std::pow(10.0L, e), up = v, down = v;
        for (int step = 0; step < 4; ++step, up = std::nextafter(up, 1e4000L), down = std::nextafter(down, 0.0L)) {
            check(up);
            check(down);
        }
        check(v * 0.9999999999999999999L);
        check(v * 0.99999995L);
        check(v * 0.999999995L);
    }
    for (long double v : {0.0L, std::numeric_limits<long double>::max(), std::numeric_limits<long double>::min(),
                          std::numeric_limits<long double>::denorm_min(), std::numeric_limits<long double>::infinity(),
                          std::numeric_limits<long double>::quiet_NaN()})
        check(v);
}

}  // namespace
}  // namespace ca
