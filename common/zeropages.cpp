#include "common/zeropages.h"

#include <sys/mman.h>

#include <new>

namespace ca {
namespace {

constexpr size_t kPage = 4096;

size_t MappedLength(size_t bytes) { return (bytes + kPage - 1) & ~(kPage - 1); }

}  // namespace

void* AllocateZeroPages(size_t bytes) {
    const size_t length = MappedLength(bytes == 0 ? 1 : bytes);
    void* p = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    // Small pages only. A huge page is a free 2 MiB block of the system's,
    // and on a virtual machine that hands free blocks of that size back to
    // its host (free page reporting) such a block is usually no longer
    // backed: each first touch then waits for the host. Small pages come
    // from the system's small free blocks, which stay backed. A hint;
    // refused is fine.
    ::madvise(p, length, MADV_NOHUGEPAGE);
    return p;
}

void FreeZeroPages(void* p, size_t bytes) {
    if (!p) return;
    ::munmap(p, MappedLength(bytes == 0 ? 1 : bytes));
}

}  // namespace ca
