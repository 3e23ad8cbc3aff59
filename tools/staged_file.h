// Outputs that appear only when complete: a file is written under a temporary
// name in the folder of its final name and renamed to it at the end; a run
// that fails, or is interrupted, leaves the old file as it was and nothing of
// its own behind.
#pragma once

#include <memory>
#include <string>

namespace ca::batch {

// Has SIGINT, SIGTERM, SIGHUP and SIGPIPE remove the temporary files of every staged
// file not yet committed, then end the process by the same signal. A signal
// the caller had ignored (nohup, a background job) stays ignored.
void RemoveStagedFilesOnEndSignals();

// The file is flushed to the disk before it is renamed, and the folder after.
// An empty file of the program's own making in the system's temporary
// folder, with an ASCII name ending in `suffix`; removed at its end, or by the
// end signals. Raises ca::IoError when it cannot be made.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& suffix);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    int slot_ = -1;
};

// A name that leads to something other than a regular file (a device such as
// /dev/null, a pipe) is written in place (a FIFO without a reader is refused
// at once), and a symbolic link is written through: the file it leads to is
// replaced, keeping its mode. A long name gets a shortened temporary name.
// The file is flushed to the disk before it is renamed, and its folder after.
// "-" is standard output: the bytes go there at Commit.
class StagedFile {
public:
    // Makes the temporary file; raises ca::IoError when it cannot.
    explicit StagedFile(const std::string& path);
    ~StagedFile();  // removes the temporary file unless committed
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Where to write until Commit.
    const std::string& TempPath() const { return temp_; }
    // Puts the written file in place; raises ca::IoError when it cannot.
    void Commit();

private:
    std::string final_, temp_, folder_;
    bool inPlace_ = false;
    std::unique_ptr<ScratchFile> stdout_;  // for "-"

    int slot_ = -1;  // in the list the signal handler reads, or -1
};

}  // namespace ca::batch
