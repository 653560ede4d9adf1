// Memory handles and heap pointers: page rounding, zero fill, what a re-allocation copies, release of the
// old block, and the error codes on failure.
#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "support.h"

namespace {

constexpr uint32_t kGarbage = 0xDEADBEEFu;

bool all_zero(const void *p, std::size_t from, std::size_t to) {
    auto *b = static_cast<const uint8_t *>(p);
    return std::all_of(b + from, b + to, [](uint8_t v) { return v == 0; });
}

// True when no page of [p, p + len) is mapped any more.
bool unmapped(OxHandle h, std::size_t len) {
    unsigned char vec[4];
    return mincore(reinterpret_cast<void *>(h), std::min<std::size_t>(len, 4 * 4096), vec) == -1 && errno == ENOMEM;
}

TEST(MemoryHandles, SizeIsPageRoundedAndBlockIsZero) {
    for (uint32_t size : {1u, 100u, 4096u, 4097u, 10000u}) {
        uint32_t err = kGarbage;
        oxtest::Handle h(oxAlloc(size, 0, &err));
        ASSERT_NE(h.get(), 0u) << size;
        EXPECT_EQ(err, kGarbage) << "success must leave the code alone";
        uint32_t pages = (size + 4095) / 4096 * 4096;
        EXPECT_EQ(oxGetHandleSize(h.get()), pages) << size;
        void *p = oxLock(h.get());
        EXPECT_TRUE(all_zero(p, 0, pages)) << size;
        std::memset(p, 0x5A, pages);  // the whole rounded block is the caller's
        oxUnlock(h.get());
    }
    uint32_t err = kGarbage;
    EXPECT_EQ(oxAlloc(0, 0, &err), 0u);
    EXPECT_EQ(err, OX_ERROR_INVALID_PARAMETER);
}

TEST(MemoryHandles, ReAllocCopiesAtMostTheOldPagesAndFreesTheOld) {
    uint32_t err = kGarbage;

    // Shrinking copies the new size only: nothing of the old data beyond it survives.
    OxHandle old = oxAlloc(100, 0, &err);
    ASSERT_NE(old, 0u);
    std::memset(oxLock(old), 0xA1, 100);
    OxHandle small = oxReAlloc(old, 10, 0, &err);
    ASSERT_NE(small, 0u);
    EXPECT_EQ(err, kGarbage);
    EXPECT_EQ(oxGetHandleSize(small), 4096u);
    auto *s = static_cast<uint8_t *>(oxLock(small));
    EXPECT_TRUE(std::all_of(s, s + 10, [](uint8_t v) { return v == 0xA1; }));
    EXPECT_TRUE(all_zero(s, 10, 4096));
    EXPECT_EQ(oxGetHandleSize(old), 0u);
    EXPECT_TRUE(unmapped(old, 4096));
    oxFree(small);

    // Growing keeps the old data and the new block reads zero beyond it.
    old = oxAlloc(100, 0, &err);
    ASSERT_NE(old, 0u);
    auto *o = static_cast<uint8_t *>(oxLock(old));
    for (int i = 0; i < 100; ++i) o[i] = static_cast<uint8_t>(i + 1);
    OxHandle big = oxReAlloc(old, 10000, 0, &err);
    ASSERT_NE(big, 0u);
    EXPECT_EQ(oxGetHandleSize(big), 12288u);
    auto *g = static_cast<uint8_t *>(oxLock(big));
    for (int i = 0; i < 100; ++i) ASSERT_EQ(g[i], i + 1) << i;
    EXPECT_TRUE(all_zero(g, 100, 12288));
    EXPECT_EQ(oxGetHandleSize(old), 0u);
    EXPECT_TRUE(unmapped(old, 4096));

    // The copy takes the old block's whole pages, not just the size once asked for.
    std::memset(g, 0x77, 12288);
    OxHandle bigger = oxReAlloc(big, 20000, 0, &err);
    ASSERT_NE(bigger, 0u);
    auto *bb = static_cast<uint8_t *>(oxLock(bigger));
    EXPECT_TRUE(std::all_of(bb, bb + 12288, [](uint8_t v) { return v == 0x77; }));
    EXPECT_TRUE(all_zero(bb, 12288, 20480));
    oxFree(bigger);
}

TEST(MemoryHandles, FailuresKeepTheOldBlock) {
    uint32_t err = kGarbage;
    oxtest::Handle h(oxAlloc(100, 0, &err));
    ASSERT_NE(h.get(), 0u);
    std::memset(oxLock(h.get()), 0x3C, 100);
    err = kGarbage;
    EXPECT_EQ(oxReAlloc(h.get(), 0, 0, &err), 0u);  // the new block cannot be made
    EXPECT_EQ(err, OX_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(oxGetHandleSize(h.get()), 4096u);
    auto *p = static_cast<uint8_t *>(oxLock(h.get()));
    EXPECT_TRUE(std::all_of(p, p + 100, [](uint8_t v) { return v == 0x3C; }));

    err = kGarbage;
    EXPECT_EQ(oxReAlloc(0, 100, 0, &err), 0u);
    EXPECT_EQ(err, OX_ERROR_INVALID_HANDLE);
    int local = 0;
    EXPECT_EQ(oxReAlloc(reinterpret_cast<OxHandle>(&local), 100, 0, &err), 0u);
    EXPECT_EQ(err, OX_ERROR_INVALID_HANDLE);
}

TEST(MemoryHandles, FreeIgnoresWhatIsNotALiveHandle) {
    oxFree(0);
    int local = 42;
    oxFree(reinterpret_cast<OxHandle>(&local));  // must not unmap the stack
    EXPECT_EQ(local, 42);
    EXPECT_EQ(oxGetHandleSize(reinterpret_cast<OxHandle>(&local)), 0u);

    uint32_t err = 0;
    OxHandle h = oxAlloc(5000, 0, &err);
    ASSERT_NE(h, 0u);
    oxFree(h);
    EXPECT_EQ(oxGetHandleSize(h), 0u);
    EXPECT_TRUE(unmapped(h, 8192));
}

TEST(MemoryPointers, ZeroFillAndSizes) {
    uint32_t err = kGarbage;
    // Leave dirty bytes behind so that a missing zero fill shows.
    void *dirty = oxAllocPtr(16, 1, &err);
    ASSERT_NE(dirty, nullptr);
    std::memset(dirty, 0xAB, 16);
    oxFreePtr(dirty);

    void *p = oxAllocPtr(16, 0, &err);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(err, kGarbage);
    EXPECT_TRUE(all_zero(p, 0, 16));
    EXPECT_EQ(oxGetPtrSize(p), 16u);
    oxFreePtr(p);

    void *raw = oxAllocPtr(16, 1, &err);
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(oxGetPtrSize(raw), 16u);
    std::memset(raw, 0xCD, 16);  // usable, content unspecified
    oxFreePtr(raw);

    void *empty = oxAllocPtr(0, 0, &err);  // a block of nothing is still a block
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(oxGetPtrSize(empty), 0u);
    oxFreePtr(empty);

    for (uint32_t size : {1u, 7u, 1000u, 100000u}) {
        void *q = oxAllocPtr(size, 1, &err);
        ASSERT_NE(q, nullptr);
        EXPECT_EQ(oxGetPtrSize(q), size);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(q) % alignof(std::max_align_t), 0u);
        oxFreePtr(q);
    }
    EXPECT_EQ(oxGetPtrSize(nullptr), 0u);
    oxFreePtr(nullptr);
}

TEST(MemoryPointers, ReAllocKeepsDataAndZeroFillsTheGrownTail) {
    uint32_t err = kGarbage;
    // Shrink a dirty block first: the heap keeps the old bytes behind the new end, so growing it again
    // shows whether the tail is really cleared.
    auto *p = static_cast<uint8_t *>(oxAllocPtr(64, 1, &err));
    ASSERT_NE(p, nullptr);
    std::memset(p, 0xAB, 64);
    p = static_cast<uint8_t *>(oxReAllocPtr(p, 16, 0, &err));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(oxGetPtrSize(p), 16u);
    p = static_cast<uint8_t *>(oxReAllocPtr(p, 64, 0, &err));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(err, kGarbage);
    EXPECT_EQ(oxGetPtrSize(p), 64u);
    EXPECT_TRUE(std::all_of(p, p + 16, [](uint8_t v) { return v == 0xAB; }));
    EXPECT_TRUE(all_zero(p, 16, 64));

    // A move to a larger block keeps the data.
    std::vector<uint8_t> want(p, p + 64);
    p = static_cast<uint8_t *>(oxReAllocPtr(p, 1 << 20, 0, &err));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(oxGetPtrSize(p), 1u << 20);
    EXPECT_TRUE(std::equal(want.begin(), want.end(), p));
    EXPECT_TRUE(all_zero(p, 64, 1 << 20));
    oxFreePtr(p);

    // No old block: a plain allocation.
    auto *q = static_cast<uint8_t *>(oxReAllocPtr(nullptr, 32, 0, &err));
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(oxGetPtrSize(q), 32u);
    EXPECT_TRUE(all_zero(q, 0, 32));
    oxFreePtr(q);
}

}  // namespace
