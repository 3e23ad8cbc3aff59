#include "common/zeropages.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <new>

namespace ca {
namespace {

constexpr size_t kHugePage = size_t{2} << 20;

// The length mapped for `bytes`: whole pages, and whole huge pages from one
// huge page up, so that the tail of a table is not left to small pages.
size_t MappedLength(size_t bytes) {
    const size_t unit = bytes < kHugePage ? 4096 : kHugePage;
    return (bytes + unit - 1) & ~(unit - 1);
}

}  // namespace

void* AllocateZeroPages(size_t bytes) {
    if (bytes == 0) bytes = 1;
    if (bytes < kHugePage) {
        void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        return p;
    }
    // Map a huge page more than needed and keep the aligned part.
    const size_t span = MappedLength(bytes) + kHugePage;
    void* raw = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    const size_t head = aligned - start;
    const size_t used = MappedLength(bytes);
    if (head) ::munmap(raw, head);
    if (span - head > used) ::munmap(reinterpret_cast<void*>(aligned + used), span - head - used);
    ::madvise(reinterpret_cast<void*>(aligned), used, MADV_HUGEPAGE);  // a hint; refused is fine
    return reinterpret_cast<void*>(aligned);
}

void PrefaultZeroPages(void* p, size_t bytes) {
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14 on; older systems refuse it
#endif
    if (!p || bytes == 0) return;
    const uintptr_t start = reinterpret_cast<uintptr_t>(p) & ~uintptr_t{4095};
    const uintptr_t end = (reinterpret_cast<uintptr_t>(p) + bytes + 4095) & ~uintptr_t{4095};
    // One huge page at a time: the system holds the process's map locked for
    // reading while it populates, and a thread that changes the map (an
    // allocation, a new thread) waits for the whole call. When fresh memory
    // comes slowly from the host, a table of 16 MB in one call kept the main
    // thread waiting for tens of milliseconds.
    for (uintptr_t at = start; at < end;) {
        const uintptr_t next = std::min(end, (at + kHugePage) & ~(kHugePage - 1));
        ::madvise(reinterpret_cast<void*>(at), next - at, MADV_POPULATE_WRITE);
        at = next;
    }
}

void FreeZeroPages(void* p, size_t bytes) {
    if (!p) return;
    if (bytes == 0) bytes = 1;
    ::munmap(p, MappedLength(bytes));
}

}  // namespace ca
