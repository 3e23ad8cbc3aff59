#include "tools/terminal.h"

#include <iconv.h>
#include <langinfo.h>

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace ca::batch {

std::string LocaleCodeset() {
    const char* previous = std::setlocale(LC_CTYPE, nullptr);
    const std::string saved = previous ? previous : "C";
    std::setlocale(LC_CTYPE, "");
    const std::string codeset = nl_langinfo(CODESET);
    std::setlocale(LC_CTYPE, saved.c_str());
    return codeset;
}

std::string ForTerminal(std::string_view utf8, const std::string& codeset) {
    if (codeset == "UTF-8") return std::string(utf8);
    const iconv_t cd = ::iconv_open(codeset.c_str(), "UTF-8");
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const std::string_view ch = utf8.substr(i, length);
        i += length;
        char converted[16];
        char* in = const_cast<char*>(ch.data());
        size_t inLeft = ch.size(), outLeft = sizeof converted;
        char* to = converted;
        if (cd != reinterpret_cast<iconv_t>(-1) && ::iconv(cd, &in, &inLeft, &to, &outLeft) != static_cast<size_t>(-1)) {
            out.append(converted, to);
            continue;
        }
        if (cd != reinterpret_cast<iconv_t>(-1)) ::iconv(cd, nullptr, nullptr, nullptr, nullptr);  // reset its state
        if (length == 1) {  // ASCII that the codeset lacks: kept, as every terminal shows it
            out += ch;
            continue;
        }
        uint32_t code = lead & (0x7F >> length);
        for (size_t k = 1; k < ch.size(); ++k) code = code << 6 | (static_cast<unsigned char>(ch[k]) & 0x3F);
        char escape[16];
        std::snprintf(escape, sizeof escape, code > 0xFFFF ? "\\U%08X" : "\\u%04X", code);
        out += escape;
    }
    if (cd != reinterpret_cast<iconv_t>(-1)) ::iconv_close(cd);
    return out;
}

}  // namespace ca::batch
