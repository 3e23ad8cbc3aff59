#include "tools/batch_support.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "common/sjis.h"

namespace ca::batch {

namespace {

void Escape(std::string& out, unsigned char b) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02x", b);
    out += hex;
}

}  // namespace

std::string EscapeSjis(std::string_view sjis) {
    std::string out;
    size_t i = 0;
    while (i < sjis.size()) {
        const unsigned char b = static_cast<unsigned char>(sjis[i]);
        if (b < 0x20 || b == 0x7F) {
            Escape(out, b);
            ++i;
        } else if (b < 0x80) {
            out.push_back(static_cast<char>(b));
            ++i;
        } else if (IsLeadByte(b) && i + 1 < sjis.size() && IsTrailByte(static_cast<unsigned char>(sjis[i + 1]))) {
            const std::string utf8 = SjisToUtf8(sjis.substr(i, 2));
            if (utf8 == "\xEF\xBF\xBD") {  // no character at that code
                Escape(out, b);
                Escape(out, static_cast<unsigned char>(sjis[i + 1]));
            } else {
                out += utf8;
            }
            i += 2;
        } else if (b >= 0xA1 && b <= 0xDF) {  // half-width katakana
            out += SjisToUtf8(sjis.substr(i, 1));
            ++i;
        } else {
            Escape(out, b);
            ++i;
        }
    }
    return out;
}

std::string EscapeName(std::string_view bytes) {
    std::string out;
    size_t i = 0;
    while (i < bytes.size()) {
        char32_t code = 0;
        const size_t n = Utf8CharLength(bytes.substr(i), &code);
        if (n == 0 || code < 0x20 || (code >= 0x7F && code <= 0x9F)) {
            for (size_t k = 0; k < std::max<size_t>(n, 1); ++k) Escape(out, static_cast<unsigned char>(bytes[i + k]));
            i += std::max<size_t>(n, 1);
        } else {
            out.append(bytes.substr(i, n));
            i += n;
        }
    }
    return out;
}

std::optional<std::pair<size_t, size_t>> FindSameFile(const std::vector<FileArgument>& files) {
    struct Identity {
        bool exists = false;
        dev_t dev = 0;
        ino_t ino = 0;
        std::filesystem::path normal;
    };
    std::vector<Identity> ids;
    for (const FileArgument& f : files) {
        Identity id;
        struct stat st;
        if (::stat(f.path.c_str(), &st) == 0) {
            id.exists = true;
            id.dev = st.st_dev;
            id.ino = st.st_ino;
        } else {
            std::error_code ec;
            id.normal = std::filesystem::weakly_canonical(std::filesystem::absolute(f.path, ec), ec);
            if (ec) id.normal = std::filesystem::absolute(f.path, ec).lexically_normal();
        }
        ids.push_back(std::move(id));
    }
    for (size_t a = 0; a < ids.size(); ++a)
        for (size_t b = a + 1; b < ids.size(); ++b) {
            const Identity &x = ids[a], &y = ids[b];
            const bool same = x.exists && y.exists ? x.dev == y.dev && x.ino == y.ino
                                                   : !x.exists && !y.exists && x.normal == y.normal;
            if (same) return std::pair(a, b);
        }
    return std::nullopt;
}

}  // namespace ca::batch
