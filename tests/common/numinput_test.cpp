#include "common/numinput.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/error.h"

namespace ca {
namespace {

TEST(NumberInput, AcceptsTheGrammar) {
    struct Case { const char* text; long double value; };
    const Case ok[] = {
        {"1.5", 1.5L}, {"  1.5  ", 1.5L}, {"-0.04", -0.04L}, {"+3", 3}, {"12", 12},
        {"1e3", 1000}, {"1E-3", 0.001L}, {"1.5e+2", 150}, {".5", 0.5L}, {"5.", 5},
        {"0.1", 0.1L}, {"00012", 12}, {"-0", 0},
        {"123456789012345678901234567890", 123456789012345678901234567890.0L},
        {"1.18e4932", 1.18e4932L}, {"1e-5000", 0}, {"3.6451995318824746025e-4951", LDBL_TRUE_MIN},
    };
    for (const auto& c : ok) {
        auto v = ParseNumber(c.text, '.');
        ASSERT_TRUE(v.has_value()) << c.text;
        EXPECT_EQ(*v, c.value) << c.text;  // nearest 80-bit value, bit for bit
    }
    EXPECT_EQ(*ParseNumber("1,5", ','), 1.5L);
    EXPECT_EQ(*ParseNumber(" -2,25e1", ','), -22.5L);
}

// Texts of every shape (digits on both sides of the point, leading and
// trailing zeros, up to 24 digits, exponents) read as the C library's
// correctly rounded conversion reads them, bit for bit, whichever way the
// reading takes.
TEST(NumberInput, EveryTextReadsAsTheCorrectlyRoundedValue) {
    uint64_t x = 0x2545F4914F6CDD1DULL;
    auto next = [&x](uint64_t bound) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        return x % bound;
    };
    for (int run = 0; run < 200000; ++run) {
        std::string text = next(3) == 0 ? "-" : "";
        const int before = static_cast<int>(next(14)), after = static_cast<int>(next(12));
        for (int k = 0; k < before; ++k) text.push_back(static_cast<char>('0' + next(k == 0 && next(2) ? 1 : 10)));
        if (after > 0 || before == 0) text.push_back('.');
        for (int k = 0; k < after || (before == 0 && k == 0); ++k) text.push_back(static_cast<char>('0' + next(10)));
        if (next(3) == 0) text += "e" + std::to_string(static_cast<int>(next(80)) - 40);
        const auto v = ParseNumber(text, '.');
        ASSERT_TRUE(v.has_value()) << text;
        const long double ref = std::strtold(text.c_str(), nullptr);
        ASSERT_EQ(std::memcmp(&*v, &ref, 10), 0) << text << " gives " << static_cast<double>(*v);
    }
}

TEST(NumberInput, RefusesEverythingElse) {
    const char* bad[] = {"", "  ", "abc", "1.5.2", "inf", "-inf", "nan", "infinity", "0x1p3", "0x10",
                         "1e", "1e+", "+", "-", ".", "1 5", "\t1", "1\t", "1e5000", "-1.2e4932",
                         "1,5", "$10", "1.5e2.5", "--1", "1-"};
    for (const char* t : bad) EXPECT_FALSE(ParseNumber(t, '.').has_value()) << t;
    EXPECT_FALSE(ParseNumber("1.5", ',').has_value());
    EXPECT_FALSE(ParseNumber(J("１"), '.').has_value());  // full-width digit
    EXPECT_FALSE(ParseNumber(std::string("1\0", 2), '.').has_value());
}

TEST(IntegerInput, DecimalAndHexForms) {
    EXPECT_EQ(ParseInt32("12"), 12);
    EXPECT_EQ(ParseInt32("  12"), 12);
    EXPECT_EQ(ParseInt32("-7"), -7);
    EXPECT_EQ(ParseInt32("+7"), 7);
    EXPECT_EQ(ParseInt32("$1F"), 31);
    EXPECT_EQ(ParseInt32("0x1F"), 31);
    EXPECT_EQ(ParseInt32("0X1f"), 31);
    EXPECT_EQ(ParseInt32("-$10"), -16);
    EXPECT_EQ(ParseInt32("2147483647"), 2147483647);
    EXPECT_EQ(ParseInt32("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseInt32("$7FFFFFFF"), 2147483647);
    EXPECT_FALSE(ParseInt32("x1F").has_value());
    EXPECT_EQ(ParseInt32("x1F", true), 31);
    EXPECT_EQ(ParseInt32("X1F", true), 31);
    const char* bad[] = {"", " ", "12 ", "abc", "1.0", "$", "0x", "+", "2147483648", "-2147483649",
                         "$80000000", "99999999999999999999", "1e3", "12a", "$G"};
    for (const char* t : bad) EXPECT_FALSE(ParseInt32(t, true).has_value()) << t;
}

TEST(IntegerInput, StrToIntNamesTheText) {
    EXPECT_EQ(StrToInt("12"), 12);
    try {
        StrToInt("abc");
        FAIL() << "no error";
    } catch (const ConvertError& e) {
        EXPECT_EQ(e.Message(), J("'abc' は整数ではありません"));
    }
    EXPECT_THROW(StrToInt(""), ConvertError);
    EXPECT_THROW(StrToInt(J("１２")), ConvertError);
}

}  // namespace
}  // namespace ca
