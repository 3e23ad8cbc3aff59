#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "fuzz/targets.h"

namespace ca::fuzz {

namespace {

const std::string& ScratchDir() {
    static const std::string dir = [] {
        std::string tmpl = std::filesystem::is_directory("/dev/shm") ? "/dev/shm/ca_fuzz_XXXXXX"
                                                                     : "/tmp/ca_fuzz_XXXXXX";
        if (!mkdtemp(tmpl.data())) Fail("no scratch folder");
        static std::string made = tmpl;
        std::atexit([] { std::filesystem::remove_all(made); });
        return tmpl;
    }();
    return dir;
}

}  // namespace

std::string ScratchPath(const std::string& name) { return ScratchDir() + "/" + name; }

std::string ScratchFile(const std::string& name, const uint8_t* data, size_t size) {
    const std::string path = ScratchPath(name);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) Fail("cannot write " + path);
    if (size && std::fwrite(data, 1, size, f) != size) Fail("cannot write " + path);
    std::fclose(f);
    return path;
}

}  // namespace ca::fuzz
