// Shift_JIS (code page 932) text. All text of the system is held as CP932
// bytes in std::string; lengths and widths count bytes. Conversion to and from
// Unicode happens only at the edges (display, typing), through glibc iconv.
#pragma once

#include <string>
#include <string_view>

namespace ca {

// True for the first byte of a double-byte character.
constexpr bool IsLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// True for a byte that may follow a lead byte as the second byte of a
// character.
constexpr bool IsTrailByte(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// Length of the well-formed UTF-8 character at the start of `s`, or 0 when the
// bytes there are not UTF-8 (stray or missing continuation bytes, overlong
// forms, surrogates, code points above U+10FFFF) or `s` is empty. `code`, when
// given, receives the character's code point (it is left alone for 0).
size_t Utf8CharLength(std::string_view s, char32_t* code = nullptr);

// UTF-8 to CP932. A character that code page 932 cannot hold, or bytes that
// are not UTF-8, raise ca::Error naming the character; nothing is replaced.
std::string Utf8ToSjis(std::string_view utf8);

// As Utf8ToSjis, but answers false instead of raising; `bad` receives the
// first character (UTF-8) that could not be converted.
bool TryUtf8ToSjis(std::string_view utf8, std::string& out, std::string* bad = nullptr);

// The CP932 text after an edit of its display form: `oldSjis` is the text
// before, `newUtf8` what the user left in the editor. The characters before
// and after the edited stretch keep their bytes, whatever they are (bytes
// that are not CP932, characters that CP932 codes twice); only the edited
// stretch is converted. False, with `bad` as in TryUtf8ToSjis, when that
// stretch holds a character that code page 932 cannot hold.
bool EditSjisText(std::string_view oldSjis, std::string_view newUtf8, std::string& out, std::string* bad = nullptr);

// CP932 to UTF-8 for display. Bytes that are not valid CP932 are shown as
// U+FFFD; the CP932 text itself is never changed by this.
std::string SjisToUtf8(std::string_view sjis);

}  // namespace ca
