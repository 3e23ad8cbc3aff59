#include "common/stagedfile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <iterator>

#include "common/error.h"
#include "common/textfile.h"

namespace ca {
namespace {

// The temporary files not yet committed, in fixed slots that the signal
// handler can read.
// A slot is free (0), being filled (1), or names a file (2).
struct PendingTemp {
    std::atomic<int> state{0};
    char path[PATH_MAX];
};
PendingTemp pendingTemps[8];

constexpr int kEndSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

extern "C" void RemovePendingTemps(int sig) {
    for (PendingTemp& t : pendingTemps)
        if (t.state.load(std::memory_order_acquire) == 2) ::unlink(t.path);
    // Ends the process by the same signal once the handler returns.
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

// The slot that now names `path`, or -1 (then only the destructor removes it).
int AddPendingTemp(const std::string& path) {
    for (int i = 0; i < static_cast<int>(std::size(pendingTemps)); ++i) {
        PendingTemp& t = pendingTemps[i];
        int free = 0;
        if (path.size() >= sizeof t.path || !t.state.compare_exchange_strong(free, 1, std::memory_order_acquire))
            continue;
        std::memcpy(t.path, path.c_str(), path.size() + 1);
        t.state.store(2, std::memory_order_release);
        return i;
    }
    return -1;
}

// Blocks the end signals (until the file just made is in the handler's
// list); returns the mask to restore.
sigset_t BlockEndSignals() {
    sigset_t ends, before;
    sigemptyset(&ends);
    for (int sig : kEndSignals) sigaddset(&ends, sig);
    ::pthread_sigmask(SIG_BLOCK, &ends, &before);
    return before;
}

// fsync of a file or folder; raises ca::IoError when it fails.
void SyncPath(const char* path, int flags) {
    const int fd = ::open(path, flags | O_CLOEXEC);
    if (fd < 0) throw IoError(IoCodeFromErrno(errno));
    const int synced = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    if (synced != 0) throw IoError(IoCodeFromErrno(error));
}

void DropPendingTemp(int& slot) {
    if (slot >= 0) pendingTemps[slot].state.store(0, std::memory_order_release);
    slot = -1;
}

}  // namespace

void RemoveStagedFilesOnEndSignals() {
    struct sigaction action {};
    action.sa_handler = RemovePendingTemps;
    sigemptyset(&action.sa_mask);
    for (int sig : kEndSignals) sigaddset(&action.sa_mask, sig);
    for (int sig : kEndSignals) {
        struct sigaction now {};
        if (::sigaction(sig, nullptr, &now) == 0 && now.sa_handler == SIG_IGN) continue;
        ::sigaction(sig, &action, nullptr);
    }
}

StagedFile::StagedFile(const std::string& path) : final_(path) {
    struct stat st;
    const bool exists = ::stat(path.c_str(), &st) == 0;
    struct stat lst;
    if ((exists && !S_ISREG(st.st_mode)) || (!exists && ::lstat(path.c_str(), &lst) == 0)) {
        temp_ = path;  // a device, a pipe, or a link that leads nowhere
        inPlace_ = true;
        // A FIFO without a reader would hold the writer up for good. The
        // FIFO stays open while this lives: closing it would end the
        // reader's input before anything was written.
        if (exists && S_ISFIFO(st.st_mode)) {
            fifo_ = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fifo_ < 0) throw IoError(IoCodeFromErrno(errno));
        }
        return;
    }
    mode_t mode;
    if (exists) {
        final_ = std::filesystem::canonical(path).string();
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    const std::filesystem::path p(final_);
    folder_ = p.has_parent_path() ? p.parent_path().string() : ".";
    // ".NAME.XXXXXX", NAME cut where the whole would pass the system's name
    // limit (the six random letters keep it unique).
    const std::string name = p.filename().string().substr(0, NAME_MAX - 8);
    std::string tmpl = folder_ + "/." + name + ".XXXXXX";
    sigset_t before = BlockEndSignals();
    const int fd = ::mkstemp(tmpl.data());
    const int error = errno;
    if (fd >= 0) slot_ = AddPendingTemp(tmpl);
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    if (fd < 0 && exists) {
        // A folder that takes no new file (read-only, /proc): the file
        // itself may still be written, in place, as before.
        temp_ = path;
        inPlace_ = true;
        return;
    }
    // As for any file created: a missing folder is a bad name.
    if (fd < 0) throw IoError(error == ENOENT ? kInvalidFileName : IoCodeFromErrno(error));
    ::fchmod(fd, mode);
    if (exists && ::fchown(fd, st.st_uid, st.st_gid) != 0) {
        // Not permitted (not root): the file becomes the program's user's, as a new one would.
    }
    ::close(fd);
    temp_ = tmpl;
}

StagedFile::~StagedFile() {
    Discard();
    if (fifo_ >= 0) ::close(fifo_);
}

void StagedFile::Discard() {
    if (!inPlace_ && !temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    DropPendingTemp(slot_);
}

void StagedFile::Commit() {
    if (inPlace_) return;
    try {
        // The file's bytes reach the disk before its name does, and the name
        // before the program reports success.
        SyncPath(temp_.c_str(), O_RDONLY);
        if (::rename(temp_.c_str(), final_.c_str()) != 0) throw IoError(IoCodeFromErrno(errno));
    } catch (...) {
        Discard();
        throw;
    }
    temp_.clear();
    DropPendingTemp(slot_);
    // The file is in place now: a folder that cannot be flushed (one that
    // may be written but not read) is no reason to report it as not written.
    try {
        SyncPath(folder_.c_str(), O_RDONLY | O_DIRECTORY);
    } catch (const IoError&) {
    }
}

ScratchFile::ScratchFile(const std::string& suffix) {
    std::error_code ec;
    std::string folder = std::filesystem::temp_directory_path(ec).string();
    if (ec) folder = "/tmp";
    std::string tmpl = folder + "/cluster-batch-XXXXXX" + suffix;
    sigset_t before = BlockEndSignals();
    const int fd = ::mkstemps(tmpl.data(), static_cast<int>(suffix.size()));
    const int error = errno;
    if (fd >= 0) slot_ = AddPendingTemp(tmpl);
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    if (fd < 0) throw IoError(IoCodeFromErrno(error));
    ::close(fd);
    path_ = tmpl;
}

ScratchFile::~ScratchFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
    DropPendingTemp(slot_);
}

}  // namespace ca
