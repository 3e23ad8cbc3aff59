#include "common/zeropages.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace ca {
namespace {

// Pages of [p, p + bytes) the system has mapped.
size_t ResidentPages(const char* p, size_t bytes) {
    const size_t page = 4096;
    std::vector<unsigned char> in((bytes + page - 1) / page);
    if (::mincore(const_cast<char*>(p), bytes, in.data()) != 0) return 0;
    size_t n = 0;
    for (unsigned char c : in) n += c & 1;
    return n;
}

// Kilobytes of huge pages in the mapping that holds p, from /proc/self/smaps;
// -1 where that is not to be had.
long AnonHugeKb(const void* p) {
    std::ifstream smaps("/proc/self/smaps");
    const auto at = reinterpret_cast<uintptr_t>(p);
    bool inside = false;
    for (std::string line; std::getline(smaps, line);) {
        uintptr_t from = 0, to = 0;
        char dash = 0;
        std::istringstream head(line);
        if (head >> std::hex >> from >> dash >> to && dash == '-') {
            inside = from <= at && at < to;
        } else if (inside && line.rfind("AnonHugePages:", 0) == 0) {
            return std::stol(line.substr(14));
        }
    }
    return -1;
}

// The memory comes zeroed, keeps what is written, and lies on small pages
// only (the reason is given in AllocateZeroPages).
TEST(ZeroPages, ZeroedSmallPagesThatKeepTheirBytes) {
    const size_t mb = size_t{1} << 20;
    for (size_t bytes : {size_t{64} << 10, 8 * mb}) {
        char* p = static_cast<char*>(AllocateZeroPages(bytes));
        std::vector<size_t> written;  // two bytes in every page
        for (size_t page = 0; page < bytes; page += 4096) {
            for (size_t at : {page, page + 1 + page % 4093}) {
                p[at] = static_cast<char>(1 + at % 251);
                written.push_back(at);
            }
        }
        EXPECT_EQ(ResidentPages(p, bytes), bytes / 4096) << bytes;
        const long hugeKb = AnonHugeKb(p);
        if (hugeKb >= 0) {
            EXPECT_EQ(hugeKb, 0) << bytes;
        }
        size_t next = 0;
        for (size_t at = 0; at < bytes; ++at) {
            const char want = next < written.size() && written[next] == at ? static_cast<char>(1 + at % 251) : 0;
            if (next < written.size() && written[next] == at) ++next;
            ASSERT_EQ(p[at], want) << "byte " << at << " of " << bytes;
        }
        FreeZeroPages(p, bytes);
    }
}

}  // namespace
}  // namespace ca
