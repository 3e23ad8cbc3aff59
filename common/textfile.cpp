#include "common/textfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <utility>

#include "common/bytescan.h"
#include "common/error.h"
#include "common/numinput.h"

namespace ca {
namespace {

constexpr size_t kChunk = 1 << 16;
constexpr unsigned char kEndOfFile = 0x1A;

// Whether the folder that would hold `path` exists (to tell a missing file
// from a missing folder).
bool ParentExists(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return true;
    std::string dir = slash == 0 ? "/" : path.substr(0, slash);
    struct stat st;
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The code for a failed read or write on an open file. The name was accepted
// when the file was opened, so EINVAL here means a target that takes no data
// (a read-only file of /proc, say): access denied, not an invalid name.
int TransferCode(int err) {
    return err == EINVAL ? kAccessDenied : IoCodeFromErrno(err);
}

[[noreturn]] void ThrowOpenError(int err, const std::string& path) {
    if (err == ENOENT && !ParentExists(path)) throw IoError(kInvalidFileName);
    throw IoError(IoCodeFromErrno(err));
}

}  // namespace

int IoCodeFromErrno(int err) {
    switch (err) {
        case ENOENT: return kFileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case EINVAL:
        case ELOOP: return kInvalidFileName;
        case EMFILE:
        case ENFILE: return kTooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
        case ENXIO: return kAccessDenied;
        case ENOSPC:
        case EDQUOT:
        case EFBIG: return kDiskFull;
        case EIO: return kDeviceError;  // its own code, not "access denied"
        default: return err;
    }
}

// ---- TextWriter ----

TextWriter::~TextWriter() { Drop(); }

void TextWriter::Drop() {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    stage_.reset();  // the temporary file goes
    buffer_.clear();
}

void TextWriter::Create(const std::string& path) {
    Drop();
    failed_ = 0;
    name_ = path;
    if (path.empty()) throw IoError(kInvalidFileName);
    stage_ = std::make_unique<StagedFile>(path);
    // Non-blocking open so that a FIFO without a reader cannot hang us.
    const int flags = stage_->InPlace() ? O_CREAT | O_TRUNC | O_NONBLOCK : O_TRUNC;
    const int fd = ::open(stage_->TempPath().c_str(), O_WRONLY | O_CLOEXEC | flags, 0666);
    if (fd < 0) {
        const int err = errno;
        stage_.reset();
        ThrowOpenError(err, path);
    }
    const int now = ::fcntl(fd, F_GETFL);
    if (now >= 0) ::fcntl(fd, F_SETFL, now & ~O_NONBLOCK);
    fd_ = fd;
}

void TextWriter::Flush() {
    try {
        WriteOut(buffer_.data(), buffer_.size());
    } catch (...) {
        buffer_.clear();  // what failed to go out is not tried again
        throw;
    }
    buffer_.clear();
}

void TextWriter::WriteOut(const char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t w = ::write(fd_, data + done, size - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            failed_ = TransferCode(errno);
            throw IoError(failed_);
        }
        if (w == 0) throw IoError(failed_ = kDiskFull);
        done += static_cast<size_t>(w);
    }
}

void TextWriter::Write(std::string_view text) {
    if (fd_ < 0) throw IoError(kFileNotOpen);
    if (text.size() >= kChunk) {
        // A large text goes out as it stands, after what is buffered.
        Flush();
        WriteOut(text.data(), text.size());
        return;
    }
    buffer_.append(text);
    if (buffer_.size() >= kChunk) Flush();
}

void TextWriter::EndLine() { Write("\r\n"); }

void TextWriter::Close() {
    if (fd_ < 0) throw IoError(kFileNotOpen);
    try {
        if (failed_) throw IoError(failed_);
        Flush();
        if (::close(std::exchange(fd_, -1)) != 0 && errno != EINTR) throw IoError(IoCodeFromErrno(errno));
        stage_->Commit();
    } catch (...) {
        Drop();
        throw;
    }
    stage_.reset();
}

// ---- TextReader ----

TextReader::~TextReader() {
    if (fd_ >= 0) ::close(fd_);
}

void TextReader::Open(const std::string& path) {
    Close();
    if (path.empty()) throw IoError(kInvalidFileName);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) ThrowOpenError(errno, path);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        // Folders, devices and pipes are not text files of ours.
        ::close(fd);
        throw IoError(kAccessDenied);
    }
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    fd_ = fd;
    buffer_.clear();
    pos_ = 0;
    ended_ = false;
}

void TextReader::OpenBytes(std::string bytes) {
    Close();
    buffer_ = std::move(bytes);
    ended_ = false;
}

void TextReader::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    buffer_.clear();
    pos_ = 0;
    ended_ = true;
}

bool TextReader::Fill() {
    if (ended_) return false;
    if (pos_ >= buffer_.size()) {
        if (fd_ < 0) {  // closed, or the end of bytes given by OpenBytes
            ended_ = true;
            return false;
        }
        buffer_.resize(kChunk);
        pos_ = 0;
        ssize_t r;
        do r = ::read(fd_, buffer_.data(), kChunk);
        while (r < 0 && errno == EINTR);
        if (r < 0) {
            int err = errno;
            buffer_.clear();
            throw IoError(TransferCode(err));
        }
        buffer_.resize(static_cast<size_t>(r));
        if (r == 0) {
            ended_ = true;
            return false;
        }
    }
    return true;
}

int TextReader::PeekFilling() {
    if (!Fill()) return -1;
    unsigned char b = static_cast<unsigned char>(buffer_[pos_]);
    if (b == kEndOfFile) {
        ended_ = true;
        return -1;
    }
    return b;
}

std::string TextReader::ReadLine() {
    std::string line;
    ReadLine(line);
    return line;
}

namespace {

// The bytes that may end a run of ordinary bytes within a line: LF, CR and
// the end-of-file byte, all below 0x1B.
bool EndsRun(unsigned char b) { return b == '\n' || b == '\r' || b == kEndOfFile; }

// The first byte below 0x1B in data[i, size), or size. Eight bytes are
// looked at together while eight remain.
size_t NextLowByte(const char* data, size_t i, size_t size) {
    for (; i + 8 <= size; i += 8)
        if (const uint64_t low = bytescan::Below(bytescan::Word(data + i), kEndOfFile + 1))
            return i + bytescan::FirstFlagged(low);
    while (i < size && static_cast<unsigned char>(data[i]) > kEndOfFile) ++i;
    return i;
}

}  // namespace

void TextReader::ReadLine(std::string& line) {
    line.clear();
    while (Peek() >= 0) {
        // Take the run of ordinary bytes at once.
        const char* const data = buffer_.data();
        const size_t size = buffer_.size();
        size_t end = NextLowByte(data, pos_, size);
        while (end < size && !EndsRun(static_cast<unsigned char>(data[end]))) end = NextLowByte(data, end + 1, size);
        line.append(data + pos_, end - pos_);
        if (end + 1 < size && data[end] == '\r' && data[end + 1] == '\n') {
            pos_ = end + 2;  // CR LF, the usual line end
            return;
        }
        pos_ = end;
        if (pos_ >= size) continue;
        const unsigned char b = static_cast<unsigned char>(data[pos_]);
        if (b == '\n') {
            ++pos_;
            return;
        }
        if (b == '\r') ++pos_;  // CR LF ends the line at the LF; a lone CR is dropped
    }
}

uint64_t TextReader::FileSize() const {
    struct stat st;
    return fd_ >= 0 && ::fstat(fd_, &st) == 0 && st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

std::string TextReader::ReadRest(size_t limit) {
    const size_t most = limit < std::string::npos ? limit + 1 : limit;
    std::string rest;
    // Room for the rest of the file at once, rather than a text that grows
    // by doubling (copied each time, and twice the fresh memory).
    if (fd_ >= 0 && !ended_) {
        const off_t at = ::lseek(fd_, 0, SEEK_CUR);
        const uint64_t size = FileSize();
        if (at >= 0 && size > static_cast<uint64_t>(at))
            rest.reserve(std::min<uint64_t>(most, buffer_.size() - pos_ + (size - static_cast<uint64_t>(at))));
    }
    while (rest.size() < most && Peek() >= 0) {
        size_t end = buffer_.find(static_cast<char>(kEndOfFile), pos_);
        if (end == std::string::npos) end = buffer_.size();
        const size_t take = std::min(end - pos_, most - rest.size());
        rest.append(buffer_, pos_, take);
        pos_ += take;
    }
    return rest;
}

void TextReader::SkipLine() {
    for (;;) {
        if (Peek() < 0) return;
        size_t end = pos_;
        while (end < buffer_.size()) {
            unsigned char b = static_cast<unsigned char>(buffer_[end]);
            if (b == '\n' || b == kEndOfFile) break;
            ++end;
        }
        pos_ = end;
        if (pos_ < buffer_.size() && buffer_[pos_] == '\n') {
            ++pos_;
            return;
        }
    }
}

int32_t TextReader::ReadIntToken() {
    int b;
    while ((b = Peek()) >= 0 && b <= 0x20) ++pos_;
    if (b < 0) return 0;
    std::string token;
    while (token.size() < 32 && (b = Peek()) > 0x20) {
        token.push_back(static_cast<char>(b));
        ++pos_;
    }
    auto v = ParseInt32(token, true);
    if (!v) throw IoError(kNotANumber);
    return *v;
}

}  // namespace ca
