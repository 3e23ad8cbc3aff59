// Files for tests: a fresh folder removed afterwards, whole-file reads.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace ca::testing {

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/cluster_test_XXXXXX";
        if (!mkdtemp(tmpl)) throw std::runtime_error("no temporary folder");  // fails the test
        path_ = tmpl;
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // Writes `bytes` as the file `name` and gives its path.
    std::string Put(const std::string& name, const std::string& bytes) const;

private:
    std::string path_;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string TempDir::Put(const std::string& name, const std::string& bytes) const {
    WriteAll(File(name), bytes);
    return File(name);
}

}  // namespace ca::testing
