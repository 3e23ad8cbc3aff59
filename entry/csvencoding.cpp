#include "entry/csvencoding.h"

#include <cstdint>
#include <cstring>

#include "common/bytescan.h"
#include "common/error.h"
#include "common/sjis.h"

namespace ca {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

bool IsUtf8Csv(std::string_view bytes) {
    if (bytes.starts_with(kByteOrderMark)) return true;
    // Bytes below 0x80 are characters of one byte each; only the rest needs
    // a closer look.
    size_t ascii = 0;
    for (; ascii + 32 <= bytes.size(); ascii += 32) {
        uint64_t w[4];  // 32 bytes, their high bits tested together
        std::memcpy(w, bytes.data() + ascii, sizeof w);
        if ((w[0] | w[1] | w[2] | w[3]) & bytescan::kHighs) break;
    }
    while (ascii < bytes.size() && static_cast<unsigned char>(bytes[ascii]) < 0x80) ++ascii;
    bytes.remove_prefix(ascii);
    bool multiByte = false;
    while (!bytes.empty()) {
        const size_t n = Utf8CharLength(bytes);
        if (n == 0) return false;
        multiByte = multiByte || n > 1;
        bytes.remove_prefix(n);
    }
    return multiByte;
}

std::string CsvBytesToSjis(std::string bytes) {
    if (!IsUtf8Csv(bytes)) return bytes;
    std::string_view rest(bytes);
    if (rest.starts_with(kByteOrderMark)) rest.remove_prefix(kByteOrderMark.size());
    // Line by line, so that a failure can name its line. LF (and CR) are the
    // same byte in both encodings and never part of a multi-byte character.
    std::string out;
    out.reserve(rest.size());
    for (int line = 1; !rest.empty(); ++line) {
        const size_t end = rest.find('\n');
        const std::string_view text = rest.substr(0, end);
        try {
            out += Utf8ToSjis(text);
        } catch (const Error& e) {
            throw Error(J("CSV ファイルの ") + std::to_string(line) + J(" 行目: ") + e.Message());
        }
        if (end == std::string_view::npos) break;
        out.push_back('\n');
        rest.remove_prefix(end + 1);
    }
    return out;
}

void OpenCsv(TextReader& in, const std::string& path) {
    in.Open(path);
    auto tooLarge = [] {
        return Error(J("CSV ファイルが大きすぎます。読み込めるのは ") + std::to_string(kMaxCsvBytes >> 20) +
                     J(" MB までです"));
    };
    if (in.FileSize() > kMaxCsvBytes) throw tooLarge();
    std::string bytes = in.ReadRest(kMaxCsvBytes);  // also for a file that grows meanwhile
    if (bytes.size() > kMaxCsvBytes) throw tooLarge();
    in.OpenBytes(CsvBytesToSjis(std::move(bytes)));
}

}  // namespace ca
