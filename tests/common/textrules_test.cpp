#include "common/textrules.h"

#include <gtest/gtest.h>

#include "common/error.h"

#include <cstring>

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

TEST(TextRules, FixedFieldRoundsTheEighteenDigitForm) {
    EXPECT_EQ(FixedField(0.25L, 7, 1), "    0.3");
    EXPECT_EQ(FixedField(2.25L, 7, 1), "    2.3");
    EXPECT_EQ(FixedField(-0.04L, 7, 1), "   -0.0");
    EXPECT_EQ(FixedField(1.5L, 7, 1), "    1.5");
    EXPECT_EQ(FixedField(12, 7, 1), "   12.0");
    EXPECT_EQ(FixedField(1000000, 7, 1), "1000000.0");
    EXPECT_EQ(FixedField(0.95L, 7, 1), "    1.0");
    EXPECT_EQ(FixedField(-9.95L, 7, 1), "  -10.0");
    EXPECT_EQ(FixedField(0, 7, 1), "    0.0");
    EXPECT_EQ(FixedField(-0.0L, 7, 1), "    0.0");
    EXPECT_EQ(FixedField(1e-30L, 7, 1), "    0.0");
    EXPECT_EQ(FixedField(-1e-30L, 7, 1), "   -0.0");
    // 0.15 held as a double is 0.149999999999999994...: its 18 digits end in 4s
    // and it stays 0.1, while the extended 0.15 reads 0.150000000000000000.
    EXPECT_EQ(FixedField(static_cast<long double>(0.15), 7, 1), "    0.1");
    EXPECT_EQ(FixedField(0.15L, 7, 1), "    0.2");
    // 0.05 as a double is 0.05000000000000000277: the first dropped digit is 5.
    EXPECT_EQ(FixedField(static_cast<long double>(0.05), 7, 1), "    0.1");
    // More than 18 digits before the point: the digits past the 18th are zeros.
    EXPECT_EQ(FixedField(1e20L, 7, 1), "100000000000000000000.0");
    EXPECT_EQ(FixedField(123456789012345678901.0L, 7, 1), "123456789012345679000.0");
    EXPECT_EQ(FixedField(2.5L, 0, 3), "2.500");
}

TEST(TextRules, DistTextGeneralFormat) {
    EXPECT_EQ(DistText(0, '.'), "0");
    EXPECT_EQ(DistText(3, '.'), "3");
    EXPECT_EQ(DistText(2.5L, '.'), "2.5");
    EXPECT_EQ(DistText(10, '.'), "10");
    EXPECT_EQ(DistText(1234567.8L, '.'), "1234568");
    EXPECT_EQ(DistText(1e8L, '.'), "1E8");
    EXPECT_EQ(DistText(12345678, '.'), "1.234568E7");
    EXPECT_EQ(DistText(0.5L, '.'), "0.5");
    EXPECT_EQ(DistText(0.0001234L, '.'), "0.0001234");
    EXPECT_EQ(DistText(0.00001234L, '.'), "1.234E-5");
    EXPECT_EQ(DistText(0.0001234567L, '.'), "0.0001234567");
    EXPECT_EQ(DistText(0.0001L, '.'), "0.0001");
    EXPECT_EQ(DistText(0.00009999999L, '.'), "9.999999E-5");
    EXPECT_EQ(DistText(0.000099999999L, '.'), "0.0001");  // carries into fixed range
    EXPECT_EQ(DistText(9999999.5L, '.'), "1E7");           // carry out of the first digit
    EXPECT_EQ(DistText(9999999.4L, '.'), "9999999");
    EXPECT_EQ(DistText(99999995, '.'), "1E8");
    EXPECT_EQ(DistText(1.0L / 3, '.'), "0.3333333");
    EXPECT_EQ(DistText(2.0L / 3, '.'), "0.6666667");
    EXPECT_EQ(DistText(1.4142135623730950488L, '.'), "1.414214");
    EXPECT_EQ(DistText(-2.5L, '.'), "-2.5");
    EXPECT_EQ(DistText(2.5L, ','), "2,5");
    EXPECT_EQ(DistText(1.5e-7L, ','), "1,5E-7");
    EXPECT_EQ(DistText(1e300L, '.'), "1E300");
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

TEST(TextRules, RoundDigitsCarryAndBelowFirstDigit) {
    Decimal18 d = ToDecimal18(0.96L);
    ASSERT_EQ(d.exponent, 0);
    RoundDigits(d, 1);
    EXPECT_EQ(std::string(d.digits, 1), "1");
    EXPECT_EQ(d.exponent, 1);
    Decimal18 e = ToDecimal18(0.0004L);
    RoundDigits(e, -1);
    EXPECT_TRUE(e.zero);
    Decimal18 f = ToDecimal18(123.0L);
    EXPECT_EQ(std::string(f.digits), "123000000000000000");
    EXPECT_EQ(f.exponent, 3);
    EXPECT_FALSE(f.negative);
    EXPECT_TRUE(ToDecimal18(-1.0L).negative);
}

}  // namespace
}  // namespace ca

namespace ca {
namespace {

// The integer routes to 18 digits and to the fields cut from them must give
// exactly what glibc's correctly rounded digits give, for every value.
void ExpectSameAsPrintf(long double v, int& fastCount, int decimals = 1, bool fields = true) {
    Decimal18 fast;
    const bool integer = FastDecimal18(v, fast);
    if (!integer && !fields) return;
    const Decimal18 ref = PrintfDecimal18(v);
    // The cuts of the distance table and the input echo.
    ASSERT_EQ(DistText(v, '.'), DistTextOf(ref, '.')) << static_cast<double>(v);
    ASSERT_EQ(FixedField(v, 7, decimals), FixedFieldOf(ref, 7, decimals)) << static_cast<double>(v) << " " << decimals;
    if (!integer) return;
    ++fastCount;
    ASSERT_EQ(std::string(fast.digits), std::string(ref.digits)) << static_cast<double>(v);
    ASSERT_EQ(fast.exponent, ref.exponent) << static_cast<double>(v);
    ASSERT_EQ(fast.negative, ref.negative);
}

long double Pow10(int k) {  // exact up to 10^27
    long double p = 1;
    while (k-- > 0) p *= 10;
    return p;
}

long double FromBits(uint64_t mantissa, uint16_t signExp) {
    long double v = 0;
    std::memcpy(&v, &mantissa, 8);
    std::memcpy(reinterpret_cast<char*>(&v) + 8, &signExp, 2);
    return v;
}

TEST(TextRules, EighteenDigitsAgreeWithGlibcOnRandomBitPatterns) {
    uint64_t x = 0x9E3779B97F4A7C15ULL;
    auto next = [&x] {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        return x;
    };
    int fast = 0;
    for (int i = 0; i < 1500000; ++i) {
        const uint64_t m = next() | (1ULL << 63);
        // Half over the whole exponent range, half from 2^-45 up to where
        // distances live, also with other numbers of decimals.
        if (i & 1) {
            ExpectSameAsPrintf(FromBits(m, static_cast<uint16_t>(next() & 0xFFFF)), fast, 1, (i & 15) == 1);
        } else {
            const uint16_t e = static_cast<uint16_t>((16383 - 45 + next() % 175) | (next() & 0x8000));
            ExpectSameAsPrintf(FromBits(m, e), fast, (i & 2) ? 1 : static_cast<int>(next() % 19));
        }
        if (HasFatalFailure()) return;
    }
    // Exact ties at the 18th digit: 19-digit integers ending in 5, and
    // 18-digit integers plus one half. Ties go to the even digit.
    for (int i = 0; i < 300000; ++i) {
        const uint64_t base = 100000000000000000ULL + next() % 800000000000000000ULL;  // 18 digits
        ExpectSameAsPrintf(static_cast<long double>(base * 10 + 5), fast);
        ExpectSameAsPrintf(static_cast<long double>(base) + 0.5L, fast);
        ExpectSameAsPrintf(static_cast<long double>(next() % 100000000) / 1000, fast);
        ExpectSameAsPrintf(static_cast<long double>(next() % 100000000), fast);  // ties at the 7th digit
        ExpectSameAsPrintf(static_cast<long double>(next() % 2000000) / 8 - 125000, fast);  // ties at the 1st decimal
        ExpectSameAsPrintf(9.95L + static_cast<long double>(next() % 1000) * 10, fast);    // carries
        // A last digit 5 read as the nearest 80-bit value: its 18 digits end
        // in 5000..., a tie for the cut after one decimal (when divided by
        // 100) or after 7 digits (when 8 digits long).
        const long double tie = static_cast<long double>((next() % 10000000) * 10 + 5) / Pow10(next() % 20);
        ExpectSameAsPrintf(tie, fast);
        ExpectSameAsPrintf(-tie, fast);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(fast, 1000000);  // the integer route was really taken
    Decimal18 d;
    ASSERT_TRUE(FastDecimal18(1000000000000000005.0L, d));
    EXPECT_EQ(std::string(d.digits), "100000000000000000");
    ASSERT_TRUE(FastDecimal18(1000000000000000015.0L, d));
    EXPECT_EQ(std::string(d.digits), "100000000000000002");
}

}  // namespace
}  // namespace ca
