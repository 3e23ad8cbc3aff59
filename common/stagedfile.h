// Files that appear only when complete. A file is written under a temporary
// name in the folder of its final name and renamed to it at the end, after
// its bytes have reached the disk; a write that fails, a run that is
// interrupted, leaves the old file as it was and nothing of its own behind.
#pragma once

#include <string>

namespace ca {

// Has SIGINT, SIGTERM, SIGHUP and SIGPIPE remove the temporary files of
// every staged file not yet committed and every scratch file, then end the
// process by the same signal. A signal the caller had ignored (nohup, a
// background job) stays ignored. For a program without windows.
void RemoveStagedFilesOnEndSignals();

// An empty file of the program's own making in the system's temporary
// folder, with an ASCII name ending in `suffix`; removed at its end, or by the
// end signals. Raises IoError when it cannot be made.
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

// The staging of one file. A name that leads to something other than a
// regular file (a device such as /dev/null, a pipe) is written in place, and
// a FIFO without a reader is refused at once; a symbolic link is written
// through (the file it leads to is replaced). A file replaced keeps its mode
// and, where the program may, its owner; where its folder takes no new file,
// it is written in place. The temporary name is ".NAME.XXXXXX", NAME
// shortened where the whole would pass the system's name limit.
class StagedFile {
public:
    // Makes the temporary file; raises IoError when it cannot (a missing
    // folder is a bad name, as for any file created).
    explicit StagedFile(const std::string& path);
    ~StagedFile();  // Discard()
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Where to write until Commit.
    const std::string& TempPath() const { return temp_; }
    bool InPlace() const { return inPlace_; }
    // Flushes the written file to the disk and puts it in place, then flushes
    // the folder; raises IoError when it cannot (the file is then discarded).
    void Commit();
    // Removes the temporary file (nothing for a file written in place).
    void Discard();

private:
    std::string final_, temp_, folder_;
    bool inPlace_ = false;
    int slot_ = -1;  // in the list the signal handler reads, or -1
    int fifo_ = -1;  // a FIFO written in place, held open
};

}  // namespace ca
