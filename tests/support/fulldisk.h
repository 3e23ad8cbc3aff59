// Writes that fail for want of room, two ways: a small tmpfs mounted for the
// test (needs root; Mounted() says whether it worked), or a limit on the
// size of files this process and its children may write (always works; the
// signal it raises is ignored so that the write fails with EFBIG instead).
#pragma once

#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>

#include <string>

#include "tests/support/files.h"

namespace ca::testing {

// A folder on a tmpfs of `bytes` bytes, unmounted afterwards.
class SmallDisk {
public:
    explicit SmallDisk(size_t bytes) {
        const std::string options = "size=" + std::to_string(bytes);
        mounted_ = ::mount("tmpfs", dir_.Path().c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(dir_.Path().c_str(), MNT_DETACH);
    }
    bool Mounted() const { return mounted_; }
    std::string File(const std::string& name) const { return dir_.File(name); }
    // Fills the disk, leaving about `room` bytes.
    void Fill(size_t room) const {
        std::string block(4096, 'x');
        FILE* f = std::fopen(File("filler").c_str(), "wb");
        while (f && std::fwrite(block.data(), 1, block.size(), f) == block.size() && std::fflush(f) == 0) {
        }
        if (f) std::fclose(f);
        std::filesystem::resize_file(File("filler"), std::filesystem::file_size(File("filler")) - room);
    }

private:
    TempDir dir_;
    bool mounted_ = false;
};

// While it lives, no file of this process or its children grows beyond
// `bytes`.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldSignal_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::signal(SIGXFSZ, oldSignal_);
    }

private:
    rlimit old_{};
    sighandler_t oldSignal_;
};

}  // namespace ca::testing
