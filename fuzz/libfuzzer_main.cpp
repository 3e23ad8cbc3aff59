// The libFuzzer entry of one target, chosen by CA_FUZZ_TARGET at build time.
#include <cstdio>
#include <cstdlib>

#include "fuzz/targets.h"

namespace ca::fuzz {

void Fail(const std::string& what) {
    std::fprintf(stderr, "property failed: %s\n", what.c_str());
    std::abort();
}

}  // namespace ca::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ca::fuzz::CA_FUZZ_TARGET(data, size);
    return 0;
}
