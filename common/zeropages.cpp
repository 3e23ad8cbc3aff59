#include "common/zeropages.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <new>

namespace ca {
namespace {

constexpr size_t kPage = 4096;
constexpr size_t kPopulateChunk = size_t{2} << 20;

size_t MappedLength(size_t bytes) { return (bytes + kPage - 1) & ~(kPage - 1); }

}  // namespace

void* AllocateZeroPages(size_t bytes) {
    const size_t length = MappedLength(bytes == 0 ? 1 : bytes);
    void* p = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    // Small pages only. A huge page is a free 2 MiB block of the system's,
    // and on a virtual machine that hands free blocks of that size back to
    // its host (free page reporting) such a block is usually no longer
    // backed: each first touch then waits for the host. Measured on our
    // build machine, runs a few seconds apart (as a user makes them) took
    // 1.6 to 3 times as long with huge pages (Ward 1000 x 200: 195 ms
    // against 120 ms), and back-to-back runs were no faster with them.
    // Small pages come from the system's small free blocks, which stay
    // backed. A hint; refused is fine.
    ::madvise(p, length, MADV_NOHUGEPAGE);
    return p;
}

void PrefaultZeroPages(void* p, size_t bytes) {
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14 on; older systems refuse it
#endif
    if (!p || bytes == 0) return;
    const uintptr_t start = reinterpret_cast<uintptr_t>(p) & ~uintptr_t{kPage - 1};
    const uintptr_t end = start + MappedLength(reinterpret_cast<uintptr_t>(p) + bytes - start);
    // 2 MiB at a time: the system holds the process's map locked for reading
    // while it populates, and a thread that changes the map (an allocation, a
    // new thread) waits for the whole call. When fresh memory came slowly, a
    // table of 16 MB in one call kept the main thread waiting for tens of
    // milliseconds.
    for (uintptr_t at = start; at < end;) {
        const uintptr_t next = std::min(end, (at + kPopulateChunk) & ~(kPopulateChunk - 1));
        ::madvise(reinterpret_cast<void*>(at), next - at, MADV_POPULATE_WRITE);
        at = next;
    }
}

void FreeZeroPages(void* p, size_t bytes) {
    if (!p) return;
    ::munmap(p, MappedLength(bytes == 0 ? 1 : bytes));
}

}  // namespace ca
