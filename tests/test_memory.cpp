// Memory handles and heap pointers: page rounding, zero fill, what a re-allocation copies, release of the
// old block, and the error codes on failure.
#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "support.h"

namespace {

using oxtest::Handle;

constexpr uint32_t kGarbage = 0xDEADBEEFu;

uint8_t pattern_at(std::size_t i) { return static_cast<uint8_t>(i % 251 + 1); }

// Bytes [from, to) hold the pattern (or, with `zero`, are zero).
bool holds(const void *p, std::size_t from, std::size_t to, bool zero = false) {
    auto *b = static_cast<const uint8_t *>(p);
    for (std::size_t i = from; i < to; ++i)
        if (b[i] != (zero ? 0 : pattern_at(i))) return false;
    return true;
}

void fill_pattern(void *p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) static_cast<uint8_t *>(p)[i] = pattern_at(i);
}

bool unmapped(OxHandle h) {
    unsigned char vec;
    return mincore(reinterpret_cast<void *>(h), 4096, &vec) == -1 && errno == ENOMEM;
}

// A block is its size rounded up to whole pages, all zero and all the caller's. A re-allocation copies the
// new size or the old block's whole pages, whichever is less, reads zero beyond, and releases the old block.
TEST(MemoryHandles, PagesZeroFillAndReAllocCopiesAtMostTheOldPages) {
    const struct {
        uint32_t from, pages, to, size, copied;
    } cases[] = {{1, 4096, 10, 4096, 10}, {4096, 4096, 10000, 12288, 4096}, {4097, 8192, 20000, 20480, 8192}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " to " << c.to);
        uint32_t err = kGarbage;
        OxHandle old = oxAlloc(c.from, 0, &err);
        ASSERT_NE(old, 0u);
        EXPECT_EQ(oxGetHandleSize(old), c.pages);
        EXPECT_TRUE(holds(oxLock(old), 0, c.pages, true));
        fill_pattern(oxLock(old), c.pages);
        Handle fresh(oxReAlloc(old, c.to, 0, &err));
        ASSERT_TRUE(fresh);
        EXPECT_EQ(err, kGarbage) << "success must leave the code alone";
        EXPECT_EQ(oxGetHandleSize(fresh.get()), c.size);
        EXPECT_TRUE(holds(oxLock(fresh.get()), 0, c.copied));
        EXPECT_TRUE(holds(oxLock(fresh.get()), c.copied, c.size, true));
        EXPECT_EQ(oxGetHandleSize(old), 0u);
        EXPECT_TRUE(unmapped(old));
    }
}

TEST(MemoryHandles, FailuresKeepTheOldBlockAndIgnoreWhatIsNotAHandle) {
    uint32_t err = kGarbage;
    Handle h(oxAlloc(100, 0, &err));
    ASSERT_TRUE(h);
    fill_pattern(oxLock(h.get()), 100);
    EXPECT_EQ(oxReAlloc(h.get(), 0, 0, &err), 0u);  // the new block cannot be made
    EXPECT_EQ(err, OX_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(oxGetHandleSize(h.get()), 4096u);
    EXPECT_TRUE(holds(oxLock(h.get()), 0, 100));

    int local = 42;
    for (OxHandle bad : {OxHandle{0}, reinterpret_cast<OxHandle>(&local)}) {
        err = kGarbage;
        EXPECT_EQ(oxReAlloc(bad, 100, 0, &err), 0u);
        EXPECT_EQ(err, OX_ERROR_INVALID_HANDLE);
        EXPECT_EQ(oxGetHandleSize(bad), 0u);
        oxFree(bad);  // must not unmap the stack
    }
    EXPECT_EQ(local, 42);
}

TEST(MemoryPointers, SizesZeroFillAndReAlloc) {
    uint32_t err = kGarbage;
    for (uint32_t size : {0u, 1u, 16u, 100000u}) {
        // Dirty bytes left in the heap show a missing zero fill in the next block of the same size.
        void *dirty = oxAllocPtr(size, 1, &err);
        ASSERT_NE(dirty, nullptr);
        EXPECT_EQ(oxGetPtrSize(dirty), size);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(dirty) % alignof(std::max_align_t), 0u);
        std::memset(dirty, 0xAB, size);
        oxFreePtr(dirty);
        void *p = oxReAllocPtr(nullptr, size, 0, &err);  // no old block: a plain allocation
        ASSERT_NE(p, nullptr);
        EXPECT_TRUE(holds(p, 0, size, true)) << size;
        oxFreePtr(p);
    }
    EXPECT_EQ(oxGetPtrSize(nullptr), 0u);
    oxFreePtr(nullptr);

    // Shrink a filled block first: the heap keeps the old bytes behind the new end, so growing it again
    // shows whether the tail is really cleared.
    void *p = oxAllocPtr(64, 1, &err);
    ASSERT_NE(p, nullptr);
    fill_pattern(p, 64);
    p = oxReAllocPtr(p, 16, 0, &err);
    ASSERT_NE(p, nullptr);
    p = oxReAllocPtr(p, 64, 0, &err);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(oxGetPtrSize(p), 64u);
    EXPECT_TRUE(holds(p, 0, 16));
    EXPECT_TRUE(holds(p, 16, 64, true));
    oxFreePtr(p);
    EXPECT_EQ(err, kGarbage);
}

}  // namespace
