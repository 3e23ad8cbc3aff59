// Fuzz targets: each takes one input of any bytes, runs one reader, one
// round trip or the agglomerations on it and checks what must hold, calling
// Fail when it does not.
// Built into libFuzzer programs by scripts/fuzz and replayed over the
// committed corpora by the test suite.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ca::fuzz {

using Target = void (*)(const uint8_t* data, size_t size);

void DataFileLoad(const uint8_t* data, size_t size);
void CsvImport(const uint8_t* data, size_t size);
void NumberInput(const uint8_t* data, size_t size);
void SjisConversion(const uint8_t* data, size_t size);
void DataFileRoundTrip(const uint8_t* data, size_t size);
void CsvRoundTrip(const uint8_t* data, size_t size);
void Agglomeration(const uint8_t* data, size_t size);
void BlockPaste(const uint8_t* data, size_t size);

struct NamedTarget {
    const char* name;  // also the name of its corpus folder
    Target run;
};
inline constexpr NamedTarget kTargets[] = {
    {"datafile_load", DataFileLoad},   {"csv_import", CsvImport},
    {"number_input", NumberInput},     {"sjis", SjisConversion},
    {"datafile_roundtrip", DataFileRoundTrip}, {"csv_roundtrip", CsvRoundTrip},
    {"agglomeration", Agglomeration},   {"block_paste", BlockPaste},
};

// A property that does not hold. The libFuzzer programs abort; the replay
// test raises it as an exception naming the input.
[[noreturn]] void Fail(const std::string& what);

inline void Check(bool holds, const std::string& what) {
    if (!holds) Fail(what);
}

// A file of the given bytes in a scratch folder of this process (on a
// memory file system where there is one), and a second name beside it.
std::string ScratchFile(const std::string& name, const uint8_t* data, size_t size);
std::string ScratchPath(const std::string& name);

}  // namespace ca::fuzz
