#include "common/sjis.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/error.h"

namespace ca {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Whether `s` is well-formed UTF-8 (no overlong forms, surrogates or values
// above U+10FFFF).
bool IsUtf8(const std::string& s) {
    auto at = [&](size_t i) { return i < s.size() ? static_cast<unsigned char>(s[i]) : 0; };
    for (size_t i = 0; i < s.size();) {
        unsigned char c = at(i);
        size_t n = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
        int lo = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80, hi = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
        if (n == 0 || (n > 1 && (at(i + 1) < lo || at(i + 1) > hi))) return false;
        for (size_t k = 2; k < n; ++k)
            if ((at(i + k) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

std::string MessageOf(std::string_view utf8) {
    try {
        Utf8ToSjis(utf8);
    } catch (const Error& e) {
        return SjisToUtf8(e.Message());
    }
    return "(no error)";
}

TEST(SjisTest, KnownEncodings) {
    EXPECT_EQ(Utf8ToSjis(""), "");
    EXPECT_EQ(Utf8ToSjis("abc 09\\~\r\n"), "abc 09\\~\r\n");
    EXPECT_EQ(Utf8ToSjis(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(Utf8ToSjis("ｱ"), "\xB1");
    EXPECT_EQ(Utf8ToSjis("ｶﾞｯ"), "\xB6\xDE\xAF");
    EXPECT_EQ(Utf8ToSjis("あ"), "\x82\xA0");
    EXPECT_EQ(Utf8ToSjis("日本"), "\x93\xFA\x96\x7B");
    EXPECT_EQ(Utf8ToSjis("漢"), "\x8A\xBF");
    EXPECT_EQ(Utf8ToSjis("ー"), "\x81\x5B");
    EXPECT_EQ(Utf8ToSjis("①"), "\x87\x40");  // NEC row 13
    EXPECT_EQ(Utf8ToSjis("～"), "\x81\x60");  // U+FF5E, the CP932 tilde
    // Lengths count bytes: half-width katakana 1, kanji 2.
    EXPECT_EQ(Utf8ToSjis("ｱｲｳ").size(), 3u);
    EXPECT_EQ(Utf8ToSjis("漢字かな").size(), 8u);
    EXPECT_EQ(Utf8ToSjis("Aｱ漢").size(), 4u);

    EXPECT_EQ(SjisToUtf8("\xB1\x82\xA0\x93\xFA"), "ｱあ日");
    EXPECT_EQ(SjisToUtf8("\x81\x60"), "～");
}

TEST(SjisTest, CharactersCp932CannotHoldRaise) {
    struct Case {
        const char* text;
        const char* bad;
        const char* code;
    };
    // "¥" and "‾" must not become "\" and "~" on the way: that changes the text.
    for (Case c : {Case{"€", "€", "U+20AC"}, Case{"a😀b", "😀", "U+1F600"}, Case{"x€", "€", "U+20AC"},
                   Case{"¥100", "¥", "U+00A5"}, Case{"‾", "‾", "U+203E"}, Case{"あ\u00A0", "\u00A0", "U+00A0"}}) {
        EXPECT_THROW(Utf8ToSjis(c.text), Error) << c.text;
        EXPECT_NE(MessageOf(c.text).find(c.code), std::string::npos) << MessageOf(c.text);
        std::string out, bad;
        EXPECT_FALSE(TryUtf8ToSjis(c.text, out, &bad)) << c.text;
        EXPECT_EQ(bad, c.bad);
    }
    std::string out;
    EXPECT_TRUE(TryUtf8ToSjis("ｱ漢", out));
    EXPECT_EQ(out, "\xB1\x8A\xBF");
}

TEST(SjisTest, JisFormsOfTheSameCharactersAreTaken) {
    // Input methods type WAVE DASH and friends; code page 932 holds the same
    // characters under their full-width code points.
    EXPECT_EQ(Utf8ToSjis("〜"), "\x81\x60");
    EXPECT_EQ(Utf8ToSjis("～"), "\x81\x60");
    EXPECT_EQ(Utf8ToSjis("−"), "\x81\x7C");
    EXPECT_EQ(Utf8ToSjis("‖"), "\x81\x61");
    EXPECT_EQ(Utf8ToSjis("1〜3"), "1\x81\x60" "3");
    EXPECT_THROW(Utf8ToSjis("¥"), Error);
}

TEST(SjisTest, InvalidUtf8Raises) {
    // Truncated, stray continuation, overlong, surrogate, beyond U+10FFFF,
    // a lead byte whose continuation is missing.
    for (std::string bad : {"\xE2\x82", "a\x80", "\xFF", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE3\x41\x42"}) {
        EXPECT_THROW(Utf8ToSjis(bad), Error);
        std::string out, which;
        EXPECT_FALSE(TryUtf8ToSjis(bad, out, &which));
        // Bytes that are no character must not be reported as one.
        std::string msg = MessageOf(bad);
        EXPECT_EQ(msg.find("U+"), std::string::npos) << msg;
        EXPECT_FALSE(which.empty());
    }
    // "\xE3\x41\x42" read loosely would be U+3042 "あ".
    std::string out, which;
    TryUtf8ToSjis("\xE3\x41\x42", out, &which);
    EXPECT_EQ(which, "\xE3");
}

// The one UTF-8 decoder: lengths and code points at the edges of each
// length, and 0 for what is not one character (the code then untouched).
TEST(SjisTest, Utf8CharactersDecodeAtEveryEdge) {
    struct Case {
        std::string bytes;
        size_t length;
        char32_t code;
    };
    const Case cases[] = {
        {"A", 1, 0x41}, {std::string(1, '\0'), 1, 0}, {"\x7F", 1, 0x7F}, {"\xC2\x80", 2, 0x80},
        {"\xDF\xBF", 2, 0x7FF}, {"\xE0\xA0\x80", 3, 0x800}, {"\xED\x9F\xBF", 3, 0xD7FF},
        {"\xEE\x80\x80", 3, 0xE000}, {"\xEF\xBF\xBF", 3, 0xFFFF}, {"\xF0\x90\x80\x80", 4, 0x10000},
        {"\xF4\x8F\xBF\xBF", 4, 0x10FFFF}, {"\xE3\x81\x82" "x", 3, 0x3042},
        // Overlong, surrogate, beyond U+10FFFF, stray, cut short, no lead.
        {"\xC1\xBF", 0, 0}, {"\xE0\x9F\xBF", 0, 0}, {"\xED\xA0\x80", 0, 0}, {"\xF0\x8F\xBF\xBF", 0, 0},
        {"\xF4\x90\x80\x80", 0, 0}, {"\xF5\x80\x80\x80", 0, 0}, {"\x80", 0, 0}, {"\xE3\x81", 0, 0},
        {"\xE3\x41\x42", 0, 0}, {"", 0, 0},
    };
    for (const Case& c : cases) {
        char32_t code = 0;
        EXPECT_EQ(Utf8CharLength(c.bytes, &code), c.length) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(code, c.code) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(Utf8CharLength(c.bytes), c.length);
    }
}

TEST(SjisTest, InvalidBytesShowAsReplacement) {
    for (std::string b : {"\x80", "\xA0", "\xFD", "\xFE", "\xFF"}) EXPECT_EQ(SjisToUtf8(b), kReplacement);
    EXPECT_EQ(SjisToUtf8("a\x81"), "a" + kReplacement);  // lead byte at the end
    // A bad byte must not take the valid characters next to it along.
    EXPECT_EQ(SjisToUtf8("\xFF\x82\xA0\xFF" "A"), kReplacement + "あ" + kReplacement + "A");
    EXPECT_EQ(SjisToUtf8("\x81\x20" "A"), kReplacement + " A");
    EXPECT_EQ(SjisToUtf8("\x81\x7F"), kReplacement + "\x7F");
    // A lead byte and a second byte that code page 932 leaves unassigned are
    // one character: one replacement, at every edge of the second byte's range.
    for (std::string pair : {"\x85\x40", "\x85\x7E", "\x85\x80", "\x85\xFC"}) EXPECT_EQ(SjisToUtf8(pair + "A"), kReplacement + "A");
    EXPECT_EQ(SjisToUtf8("\x85\xFD"), kReplacement + kReplacement);
    EXPECT_EQ(SjisToUtf8(std::string("x\0y", 3)), std::string("x\0y", 3));
}

TEST(SjisTest, RandomBytesNeverBreakDecoding) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 2000; ++round) {
        std::string s(rng() % 64, '\0');
        for (char& c : s) c = static_cast<char>(rng() % 256);
        std::string u = SjisToUtf8(s);
        ASSERT_TRUE(IsUtf8(u));
        // Each character shown stands for one or two bytes: none are lost.
        size_t chars = 0;
        for (char c : u) chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        EXPECT_GE(chars, (s.size() + 1) / 2);
        // What was decoded is CP932 again once the replacements are taken out.
        for (size_t at; (at = u.find(kReplacement)) != std::string::npos;) u.erase(at, kReplacement.size());
        std::string back;
        EXPECT_TRUE(TryUtf8ToSjis(u, back));
        EXPECT_LE(back.size(), s.size());
    }
}

TEST(SjisTest, DoubleByteCharactersRoundTrip) {
    int decoded = 0, duplicates = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            std::string sjis{static_cast<char>(lead), static_cast<char>(trail)};
            std::string u = SjisToUtf8(sjis);
            ASSERT_TRUE(IsUtf8(u));
            if (u.find(kReplacement) != std::string::npos) continue;
            ++decoded;
            std::string back, bad;
            ASSERT_TRUE(TryUtf8ToSjis(u, back, &bad)) << std::hex << lead << trail;
            if (back == sjis) continue;
            // NEC and IBM duplicates go back to one code of the same character.
            ++duplicates;
            EXPECT_EQ(SjisToUtf8(back), u) << std::hex << lead << trail;
        }
    }
    // JIS X 0208 alone has 6879 characters.
    EXPECT_GE(decoded, 6879);
    EXPECT_LT(duplicates, decoded / 10);
}

TEST(SjisTest, ConvertsOnSeveralThreads) {
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 500; ++i) {
                std::string u = "スレッド" + std::to_string(t * 1000 + i) + "ｶﾅ";
                if (SjisToUtf8(Utf8ToSjis(u)) != u) ++failures[t];
            }
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace ca
