#include "common/sjis.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

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

// Length of the UTF-8 sequence starting with byte b (1 for a stray byte).
size_t Utf8Length(unsigned char b) {
    if (b >= 0xF0 && b <= 0xF4) return 4;
    if (b >= 0xE0) return b <= 0xEF ? 3 : 1;
    if (b >= 0xC2 && b <= 0xDF) return 2;
    return 1;
}

}  // namespace

bool TryUtf8ToSjis(std::string_view utf8, std::string& out, std::string* bad) {
    out.clear();
    out.reserve(utf8.size());
    size_t used = ToSjis().Run(utf8, out);
    if (used == utf8.size()) return true;
    if (bad) *bad = std::string(utf8.substr(used, std::min(Utf8Length(utf8[used]), utf8.size() - used)));
    return false;
}

std::string Utf8ToSjis(std::string_view utf8) {
    std::string out, bad;
    if (TryUtf8ToSjis(utf8, out, &bad)) return out;
    // Name the character by its code point; the message itself is plain CP932.
    char32_t cp = 0;
    const auto* b = reinterpret_cast<const unsigned char*>(bad.data());
    size_t n = bad.size();
    if (n == 1) cp = b[0];
    else if (n == 2) cp = ((b[0] & 0x1F) << 6) | (b[1] & 0x3F);
    else if (n == 3) cp = ((b[0] & 0x0F) << 12) | ((b[1] & 0x3F) << 6) | (b[2] & 0x3F);
    else if (n == 4) cp = ((b[0] & 0x07) << 18) | ((b[1] & 0x3F) << 12) | ((b[2] & 0x3F) << 6) | (b[3] & 0x3F);
    char code[16];
    snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
    std::string msg, tail;
    ToSjis().Run("文字 ", msg);
    ToSjis().Run(std::string(" はコードページ 932 (Shift_JIS) で表せません"), tail);
    msg += code;
    throw Error(msg + tail);
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
        if (IsLeadByte(b) && used + 1 < sjis.size()) {
            unsigned char t = sjis[used + 1];
            if (t >= 0x40 && t <= 0xFC && t != 0x7F) skip = 2;
        }
        out += "\xEF\xBF\xBD";
        sjis.remove_prefix(used + skip);
    }
    return out;
}

}  // namespace ca
