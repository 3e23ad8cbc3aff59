#include "common/sjis.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "common/error.h"

namespace ca {
namespace {

// One descriptor per direction and thread; iconv state is reset before each use.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much as possible; returns the number of input bytes consumed
    // before the first failure (or the whole length).
    size_t Run(std::string_view in, std::string& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* inp = const_cast<char*>(in.data());
        size_t inleft = in.size();
        char buf[4096];
        while (inleft > 0) {
            char* outp = buf;
            size_t outleft = sizeof buf;
            size_t r = iconv(cd_, &inp, &inleft, &outp, &outleft);
            out.append(buf, outp - buf);
            if (r == static_cast<size_t>(-1) && errno != E2BIG) break;
        }
        char* outp = buf;
        size_t outleft = sizeof buf;
        iconv(cd_, nullptr, nullptr, &outp, &outleft);
        out.append(buf, outp - buf);
        return in.size() - inleft;
    }

private:
    iconv_t cd_;
};

Converter& ToSjis() {
    thread_local Converter c("CP932", "UTF-8");
    return c;
}
Converter& ToUtf8() {
    thread_local Converter c("UTF-8", "CP932");
    return c;
}

}  // namespace

size_t Utf8CharLength(std::string_view s, char32_t* code) {
    auto at = [&](size_t i) { return i < s.size() ? static_cast<unsigned char>(s[i]) : 0; };
    auto cont = [&](size_t i, unsigned char lo = 0x80, unsigned char hi = 0xBF) {
        return at(i) >= lo && at(i) <= hi;
    };
    if (s.empty()) return 0;
    const unsigned char b = at(0);
    size_t n = 0;
    if (b < 0x80) {
        n = 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
        n = cont(1) ? 2 : 0;
    } else if (b >= 0xE0 && b <= 0xEF) {
        unsigned char lo = b == 0xE0 ? 0xA0 : 0x80, hi = b == 0xED ? 0x9F : 0xBF;
        n = cont(1, lo, hi) && cont(2) ? 3 : 0;
    } else if (b >= 0xF0 && b <= 0xF4) {
        unsigned char lo = b == 0xF0 ? 0x90 : 0x80, hi = b == 0xF4 ? 0x8F : 0xBF;
        n = cont(1, lo, hi) && cont(2) && cont(3) ? 4 : 0;
    }
    if (n > 0 && code) {
        // The lead byte's bits below its length marker, then 6 from each
        // continuation byte.
        static constexpr unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
        char32_t c = b & kLeadBits[n];
        for (size_t i = 1; i < n; ++i) c = c << 6 | (at(i) & 0x3F);
        *code = c;
    }
    return n;
}

namespace {

// The JIS forms of characters that code page 932 holds under another code
// point (WAVE DASH for the full-width tilde, and so on). Input methods type
// these; they are the same characters of the Japanese set, so they are taken.
bool IsJisVariant(std::string_view c) {
    static const char* const kVariants[] = {"〜", "‖", "−", "¢", "£", "¬", "—"};
    for (const char* v : kVariants)
        if (c == v) return true;
    return false;
}

// One character (well-formed UTF-8) to CP932, only when code page 932 holds
// it: glibc also maps some characters one way (U+00A5 to "\", U+203E to "~",
// U+301C to the full-width tilde...), which would change the text.
bool CharToSjis(std::string_view c, std::string& out) {
    std::string one;
    if (ToSjis().Run(c, one) != c.size() || one.empty()) return false;
    if (SjisToUtf8(one) != c && !IsJisVariant(c)) return false;
    out += one;
    return true;
}

}  // namespace

bool TryUtf8ToSjis(std::string_view utf8, std::string& out, std::string* bad) {
    out.clear();
    out.reserve(utf8.size());
    // The whole text at once; it is taken when it decodes back unchanged.
    if (ToSjis().Run(utf8, out) == utf8.size() && SjisToUtf8(out) == utf8) return true;
    // Otherwise one character at a time, to find the first that fails.
    out.clear();
    while (!utf8.empty()) {
        size_t n = Utf8CharLength(utf8);
        if (n == 0 || !CharToSjis(utf8.substr(0, n), out)) {
            if (bad) *bad = std::string(utf8.substr(0, n == 0 ? 1 : n));
            return false;
        }
        utf8.remove_prefix(n);
    }
    return true;
}

std::string Utf8ToSjis(std::string_view utf8) {
    std::string out, bad;
    if (TryUtf8ToSjis(utf8, out, &bad)) return out;
    // The message itself is plain CP932.
    char code[16];
    std::string head, tail;
    if (char32_t c; Utf8CharLength(bad, &c) == bad.size()) {
        snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
        ToSjis().Run("文字 ", head);
        ToSjis().Run(" はコードページ 932 (Shift_JIS) で表せません", tail);
    } else {
        snprintf(code, sizeof code, "0x%02X", static_cast<unsigned>(static_cast<unsigned char>(bad[0])));
        ToSjis().Run("UTF-8 として不正なバイト ", head);
        ToSjis().Run(" があります", tail);
    }
    throw Error(head + code + tail);
}

bool EditSjisText(std::string_view oldSjis, std::string_view newUtf8, std::string& out, std::string* bad) {
    const std::string shown = SjisToUtf8(oldSjis);
    if (shown == newUtf8) {
        out.assign(oldSjis);
        return true;
    }
    // A text that converts back to its own bytes needs no care.
    std::string canonical;
    if (TryUtf8ToSjis(shown, canonical) && canonical == oldSjis) return TryUtf8ToSjis(newUtf8, out, bad);

    // The old text as shown, one character (or undecodable byte) at a time.
    struct Unit {
        std::string_view bytes;
        std::string shown;
    };
    std::vector<Unit> units;
    for (size_t i = 0; i < oldSjis.size();) {
        size_t n = 1;
        const auto b = static_cast<unsigned char>(oldSjis[i]);
        if (IsLeadByte(b) && i + 1 < oldSjis.size() && IsTrailByte(static_cast<unsigned char>(oldSjis[i + 1]))) n = 2;
        units.push_back({oldSjis.substr(i, n), SjisToUtf8(oldSjis.substr(i, n))});
        i += n;
    }
    // Kept before the edit, then kept after it (never overlapping).
    size_t head = 0, headBytes = 0;
    while (head < units.size() && newUtf8.substr(headBytes).starts_with(units[head].shown))
        headBytes += units[head++].shown.size();
    size_t tail = units.size(), tailBytes = 0;
    while (tail > head && newUtf8.size() - headBytes - tailBytes >= units[tail - 1].shown.size() &&
           newUtf8.substr(0, newUtf8.size() - tailBytes).ends_with(units[tail - 1].shown))
        tailBytes += units[--tail].shown.size();
    std::string middle;
    if (!TryUtf8ToSjis(newUtf8.substr(headBytes, newUtf8.size() - headBytes - tailBytes), middle, bad)) return false;
    out.clear();
    for (size_t u = 0; u < head; ++u) out += units[u].bytes;
    out += middle;
    for (size_t u = tail; u < units.size(); ++u) out += units[u].bytes;
    return true;
}

std::string SjisToUtf8(std::string_view sjis) {
    std::string out;
    out.reserve(sjis.size() * 3 / 2);
    while (!sjis.empty()) {
        size_t used = ToUtf8().Run(sjis, out);
        if (used == sjis.size()) break;
        // Not valid CP932 here: show one replacement character for the byte
        // (or for a lead byte with its trail, when the pair is unmapped).
        size_t skip = 1;
        unsigned char b = sjis[used];
        if (IsLeadByte(b) && used + 1 < sjis.size() && IsTrailByte(static_cast<unsigned char>(sjis[used + 1]))) skip = 2;
        out += "\xEF\xBF\xBD";
        sjis.remove_prefix(used + skip);
    }
    return out;
}

}  // namespace ca
