// Text files of the system: Shift_JIS bytes, lines ended by CR LF when
// written. Reading: a line ends at LF or CR LF, a lone CR is dropped, a byte
// 0x1A ends the file, and reading at the end gives empty text without error.
// Every failed operation raises IoError; files are closed on every path.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/stagedfile.h"

namespace ca {

// Maps an errno value of a failed open, read or write to the I/O error code.
int IoCodeFromErrno(int err);

// A text file written all or nothing: under a temporary name beside it (see
// StagedFile), put in place by Close once every byte is written and on the
// disk. A write that fails, a file never closed, leave an old file as it was.
class TextWriter {
public:
    TextWriter() = default;
    ~TextWriter();  // a file not closed is dropped
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;

    // Binds to `path` and begins the file (a file still open is dropped).
    void Create(const std::string& path);
    void Write(std::string_view text);
    void EndLine();
    void WriteLine(std::string_view text) { Write(text); EndLine(); }
    // Writes out what is buffered and puts the file in place. Raises on
    // failure, also that of an earlier write; the file is then dropped and
    // the old one stays. Closed either way.
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Name() const { return name_; }

private:
    void Flush();
    void WriteOut(const char* data, size_t size);
    void Drop();
    int fd_ = -1;
    int failed_ = 0;  // the code of a failed write, 0 if none
    std::unique_ptr<StagedFile> stage_;
    std::string name_;
    std::string buffer_;
};

class TextReader {
public:
    TextReader() = default;
    ~TextReader();
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;

    // Opens an existing regular file for reading.
    void Open(const std::string& path);
    // Reads `bytes` as the content of a file, by the same rules; no file is
    // opened.
    void OpenBytes(std::string bytes);
    // The bytes that remain up to the end of the file (or a byte 0x1A), as
    // they stand, but no more than limit + 1 of them (so that a rest longer
    // than `limit` shows as such); the reader is after them.
    std::string ReadRest(size_t limit = std::string::npos);
    // The size of the open file in bytes (0 when reading given bytes).
    uint64_t FileSize() const;
    // The next line without its line end; empty text at the end of the file.
    std::string ReadLine();
    // The same into `line`, whose memory is used again.
    void ReadLine(std::string& line);
    // Skips bytes 0x00-0x20 (across lines), then reads a token of at most 32
    // bytes above 0x20 as an int32 (decimal, or hex after "$", "x", "X", "0x",
    // "0X"); 0 at the end of the file; IoError(106) for any other token.
    int32_t ReadIntToken();
    // Consumes bytes up to and including the next LF.
    void SkipLine();
    // No byte remains, or the next byte is 0x1A.
    bool AtEnd() { return Peek() < 0; }
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

private:
    // The next byte without consuming it, or -1 at the end.
    int Peek() {
        if (!ended_ && pos_ < buffer_.size() && buffer_[pos_] != '\x1A') return static_cast<unsigned char>(buffer_[pos_]);
        return PeekFilling();
    }
    int PeekFilling();
    bool Fill();
    int fd_ = -1;
    std::string buffer_;
    size_t pos_ = 0;
    bool ended_ = false;  // end of file or 0x1A seen
};

}  // namespace ca
