// Anonymous page mappings for large blocks; see pages.h.
#include "core/pages.h"

#include <sys/mman.h>

#include <cstdint>

#include "core/memory.h"

namespace ox::core {

namespace {
constexpr std::size_t kHugePageSize = 2u << 20;
}  // namespace

// Whole 2 MiB units from 2 MiB: on a virtual machine a 4 KiB fault can cost several microseconds, and a
// 6 MB image with a 4 KiB tail took ten times longer to fill than one made of huge pages only.
std::size_t mapped_length(std::size_t len) {
    const std::size_t unit = len < kHugePageSize ? kPageSize : kHugePageSize;
    return (len + unit - 1) / unit * unit;
}

// Large blocks (images, DIBs) are written whole soon after they are made; on huge pages the kernel takes
// one fault per 2 MiB instead of one per 4 KiB (most of the cost of a large new block), and walks over
// rows are not slowed by 4 KiB page crossings either. The alignment comes from mapping 2 MiB more and
// unmapping the ends.
void *map_pages(std::size_t len) {
    const int prot = PROT_READ | PROT_WRITE, flags = MAP_PRIVATE | MAP_ANONYMOUS;
    const std::size_t mapped = mapped_length(len);
    if (len < kHugePageSize) {
        void *p = mmap(nullptr, mapped, prot, flags, -1, 0);
        return p == MAP_FAILED ? nullptr : p;
    }
    void *raw = mmap(nullptr, mapped + kHugePageSize, prot, flags, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + kHugePageSize - 1) & ~static_cast<uintptr_t>(kHugePageSize - 1);
    if (aligned > start) munmap(raw, aligned - start);
    const std::size_t tail = start + mapped + kHugePageSize - (aligned + mapped);
    if (tail) munmap(reinterpret_cast<void *>(aligned + mapped), tail);
    void *p = reinterpret_cast<void *>(aligned);
    madvise(p, mapped, MADV_HUGEPAGE);
    return p;
}

void unmap_pages(void *p, std::size_t len) { munmap(p, mapped_length(len)); }

void unmap_tail(void *p, std::size_t len, std::size_t kept) {
    const std::size_t from = mapped_length(kept), to = mapped_length(len);
    if (from < to) munmap(static_cast<uint8_t *>(p) + from, to - from);
}

}  // namespace ox::core
