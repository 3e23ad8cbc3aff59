// CSV files as today's spreadsheets write them: UTF-8, often with a
// byte-order mark. Such a file is turned into Shift_JIS as a whole before
// any of it is split into fields; every other file is read as it stands.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/textfile.h"

namespace ca {

// True when the bytes of a CSV file are UTF-8: they start with the UTF-8
// byte-order mark, or they are well-formed UTF-8 throughout and hold at least
// one character of more than one byte.
bool IsUtf8Csv(std::string_view bytes);

// The bytes as the import reads them: UTF-8 (IsUtf8Csv) converted to
// Shift_JIS, without the byte-order mark; anything else unchanged. A
// character that Shift_JIS cannot hold, or bytes that are not UTF-8 after a
// byte-order mark, raise ca::Error naming the line (from 1) and the character.
std::string CsvBytesToSjis(std::string bytes);

// The largest CSV file the import reads. The whole file is held in memory
// while its encoding is decided, so a larger one (a file chosen by mistake,
// say) is refused before it is read rather than taking the memory and the
// time it would.
constexpr uint64_t kMaxCsvBytes = uint64_t{256} << 20;

// Opens the CSV file at `path` for the import: the file is read up to its end
// (or a byte 0x1A), converted by CsvBytesToSjis, and `in` reads the result.
// A file larger than kMaxCsvBytes raises ca::Error, even one whose text ends
// earlier at a byte 0x1A.
void OpenCsv(TextReader& in, const std::string& path);

}  // namespace ca
