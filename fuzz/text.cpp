// Number input and Shift_JIS conversion.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "common/numinput.h"
#include "common/sjis.h"
#include "fuzz/targets.h"

namespace ca::fuzz {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The grammar of number input, written out plainly: blanks, a sign, digits
// with an optional separator and digits (one digit at least), an optional
// exponent, blanks. Gives the text in C form ("." as separator) for strtold.
bool NumberGrammar(std::string_view t, char separator, std::string& cForm) {
    size_t i = 0;
    while (i < t.size() && t[i] == ' ') ++i;
    size_t start = i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t digits = 0;
    while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
    if (i < t.size() && t[i] == separator) {
        ++i;
        while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        size_t exp = 0;
        while (i < t.size() && IsDigit(t[i])) ++i, ++exp;
        if (exp == 0) return false;
    }
    size_t end = i;
    while (i < t.size() && t[i] == ' ') ++i;
    if (i != t.size()) return false;
    cForm.assign(t.substr(start, end - start));
    for (char& c : cForm)
        if (c == separator) c = '.';
    return true;
}

bool SameBits(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }

}  // namespace

// Number input accepts exactly its grammar and gives the 80-bit value nearest
// to the text (the C library's strtold, correctly rounded); a value beyond the
// 80-bit range fails. Integer input agrees with strtoll on decimal text.
void NumberInput(const uint8_t* data, size_t size) {
    if (size == 0) return;
    const char separator = data[0] % 2 ? ',' : '.';
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string cForm;
    const bool grammar = NumberGrammar(text, separator, cForm);
    const auto got = ParseNumber(text, separator);
    if (!grammar) {
        Check(!got, "number: text outside the grammar accepted");
    } else {
        errno = 0;
        const long double want = std::strtold(cForm.c_str(), nullptr);
        if (std::isinf(want)) {
            Check(!got, "number: a value beyond the range accepted");
        } else if (errno != ERANGE || want != 0) {
            Check(got.has_value(), "number: text of the grammar refused: " + cForm);
            Check(SameBits(*got, want), "number: not the nearest 80-bit value: " + cForm);
        }
    }
    // Plain decimal integers.
    const auto n = ParseInt32(text);
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    size_t j = i + (i < text.size() && (text[i] == '+' || text[i] == '-'));
    bool decimal = j < text.size() && text.size() - i < 30;
    for (size_t k = j; k < text.size(); ++k) decimal = decimal && IsDigit(text[k]);
    if (decimal) {
        const long long v = std::strtoll(std::string(text.substr(i)).c_str(), nullptr, 10);
        const bool fits = v >= INT32_MIN && v <= INT32_MAX;
        Check(n.has_value() == fits, "int: decimal text accepted or refused wrongly");
        if (fits) Check(*n == v, "int: wrong value");
    }
}

// Conversion to UTF-8 always gives valid UTF-8; converting that back to
// Shift_JIS succeeds unless it holds a replacement character, and is stable:
// the bytes it gives convert to the same UTF-8 text again.
void SjisConversion(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string utf8 = SjisToUtf8(bytes);
    std::string back, bad;
    const bool ok = TryUtf8ToSjis(utf8, back, &bad);
    const bool replaced = utf8.find("\xEF\xBF\xBD") != std::string::npos;
    if (!replaced) Check(ok, "sjis: text from Shift_JIS does not convert back: " + bad);
    if (ok) Check(SjisToUtf8(back) == utf8, "sjis: conversion back is not stable");
    // The bytes taken as UTF-8 text: what converts, converts back to itself.
    std::string sjis;
    if (TryUtf8ToSjis(bytes, sjis)) {
        const std::string u = SjisToUtf8(sjis);
        std::string again;
        Check(TryUtf8ToSjis(u, again) && SjisToUtf8(again) == u, "sjis: UTF-8 text not stable");
    }
}

}  // namespace ca::fuzz
