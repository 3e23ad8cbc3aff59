#include "common/error.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "common/fpcheck.h"

namespace ca {
namespace {

TEST(ErrorTest, IoErrorTexts) {
    struct Case {
        int code;
        const char* text;
    };
    for (Case c : {Case{2, "ファイルが見つかりません."}, Case{3, "不正なファイル名です."},
                   Case{4, "オープンしたファイルが多すぎます."}, Case{5, "ファイルへのアクセスが拒否されました."},
                   Case{100, "ファイルの末尾以降を読み込みました."}, Case{101, "ディスクがいっぱいです."},
                   Case{106, "入力値が数値ではありません."}}) {
        EXPECT_EQ(IoErrorText(c.code), J(c.text)) << c.code;
        IoError e(c.code);
        EXPECT_EQ(e.Code(), c.code);
        EXPECT_EQ(e.Message(), J(c.text));
        EXPECT_STREQ(e.what(), J(c.text).c_str());
    }
    // Any other code: no full stop after the closing parenthesis.
    for (int code : {0, 1, 6, 103, 1117, -7}) {
        std::string expected = J("I/O エラー (") + std::to_string(code) + ")";
        EXPECT_EQ(IoErrorText(code), expected);
        EXPECT_EQ(IoError(code).Message(), expected);
    }
}

TEST(ErrorTest, FullStopOnlyAfterBytesAboveIt) {
    EXPECT_EQ(WithFullStop(""), "");
    EXPECT_EQ(WithFullStop("abc"), "abc.");
    EXPECT_EQ(WithFullStop("a/"), "a/.");    // 0x2F
    EXPECT_EQ(WithFullStop("a."), "a.");     // not above itself
    EXPECT_EQ(WithFullStop("a-"), "a-");     // 0x2D
    EXPECT_EQ(WithFullStop("(1)"), "(1)");   // 0x29
    EXPECT_EQ(WithFullStop("a "), "a ");
    // Bytes are compared unsigned: bytes from 0x80 up sort above ".".
    EXPECT_EQ(WithFullStop("\xB1"), "\xB1.");
    EXPECT_EQ(WithFullStop(J("です")), J("です."));
}

TEST(ErrorTest, ConvertAndRangeErrorTexts) {
    EXPECT_EQ(ConvertError("abc").Message(), J("'abc' は整数ではありません"));
    // The text is taken as it is: no formatting, no trimming, kanji kept.
    EXPECT_EQ(ConvertError("%s%d").Message(), J("'%s%d' は整数ではありません"));
    EXPECT_EQ(ConvertError(" 1 ").Message(), J("' 1 ' は整数ではありません"));
    EXPECT_EQ(ConvertError(J("１２")).Message(), J("'１２' は整数ではありません"));
    EXPECT_EQ(ConvertError("").Message(), J("'' は整数ではありません"));

    EXPECT_EQ(RangeError().Message(), J("範囲チェックエラー"));

    // Every error is caught as the general one, with its message intact.
    try {
        throw RangeError();
    } catch (const Error& e) {
        EXPECT_EQ(std::strcmp(e.what(), J("範囲チェックエラー").c_str()), 0);
    }
    try {
        throw IoError(kNotANumber);
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), J("入力値が数値ではありません.").c_str());
    }
}

// Each fault of real extended arithmetic raises MathError with the text that
// names it; underflow and inexact results raise nothing.
TEST(ErrorTest, FloatingPointFaultsRaiseTheirOwnTexts) {
    volatile long double zero = 0, one = 1, huge = 1e4900L, tiny = 1e-4900L;
    struct Case {
        const char* fault;
        std::function<void()> arithmetic;
        const char* text;  // nullptr: no error
    };
    const Case cases[] = {
        {"0/0", [&] { zero = zero / zero; }, "浮動小数点演算が不正です (無効な演算)"},
        {"1/0", [&] { one = one / zero; }, "浮動小数点演算で 0 による除算が発生しました"},
        {"overflow", [&] { huge = huge * huge; }, "浮動小数点演算でオーバーフローが発生しました"},
        {"underflow", [&] { tiny = tiny * tiny; }, nullptr},
        {"inexact", [&] { one = one / 3; }, nullptr},
    };
    for (const Case& c : cases) {
        ClearFpFaults();
        c.arithmetic();
        if (!c.text) {
            EXPECT_NO_THROW(CheckFpFaults()) << c.fault;
            continue;
        }
        try {
            CheckFpFaults();
            ADD_FAILURE() << c.fault << " raised nothing";
        } catch (const MathError& e) {
            EXPECT_EQ(e.Message(), J(c.text)) << c.fault;
        }
        EXPECT_NO_THROW(CheckFpFaults()) << c.fault << ": the flags are cleared once raised";
        zero = 0;
        one = 1;
        huge = 1e4900L;
    }
}

TEST(ErrorTest, JTurnsSourceTextIntoShiftJis) {
    EXPECT_EQ(J("エラー"), "\x83\x47\x83\x89\x81\x5B");
    EXPECT_EQ(J("I/O"), "I/O");
    EXPECT_THROW(J("€"), Error);
}

}  // namespace
}  // namespace ca
