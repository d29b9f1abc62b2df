// Large zero-filled blocks: huge-page mappings on Linux, calloc elsewhere and for small sizes.
#include "large_block.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace pictavo_internal {

namespace {
constexpr size_t kMapFrom = 1u << 20;  // smaller blocks come from calloc
constexpr size_t kHugePage = 2u << 20; // huge pages need 2 MB aligned ranges

#if defined(__linux__)
// Recently freed mappings, kept for the next picture: a fresh mapping costs a page fault and
// the kernel's zeroing per page, far more than clearing a block that is already mapped. An
// export of many photos of one size thus reuses the same few blocks: mappings are made in
// whole huge pages, so that files of slightly different sizes fit the same block, and
// enough are kept for the picture and the file of each of several threads. At most kKept blocks
// of together at most kKeptBytes are kept, so the memory held neither grows with the number
// of pictures nor stays at the size of one huge picture once it is freed.
constexpr int kKept = 8;
constexpr size_t kKeptBytes = 256u << 20;

struct KeptBlocks {
    std::mutex lock;
    LargeBlock blocks[kKept];
    int count = 0;
};

KeptBlocks& Kept() {
    static KeptBlocks* kept = new KeptBlocks; // never destroyed: may be used at exit
    return *kept;
}

// A kept block that holds `bytes` without wasting more than half of it, or an empty block.
LargeBlock TakeKept(size_t bytes) {
    KeptBlocks& kept = Kept();
    std::lock_guard<std::mutex> guard(kept.lock);
    for (int i = 0; i < kept.count; ++i) {
        LargeBlock& b = kept.blocks[i];
        const size_t usable = b.mappingLength - kHugePage;
        if (usable >= bytes && usable / 2 <= bytes) {
            LargeBlock found = b;
            b = kept.blocks[--kept.count];
            kept.blocks[kept.count] = LargeBlock{};
            return found;
        }
    }
    return LargeBlock{};
}

// Keeps the block for reuse; returns false when there is no room (the caller unmaps it).
bool Keep(const LargeBlock& block) {
    KeptBlocks& kept = Kept();
    std::lock_guard<std::mutex> guard(kept.lock);
    if (kept.count == kKept) return false;
    size_t held = block.mappingLength;
    for (int i = 0; i < kept.count; ++i)
        held += kept.blocks[i].mappingLength;
    if (held > kKeptBytes) return false;
    kept.blocks[kept.count++] = block;
    return true;
}
#endif
} // namespace

LargeBlock AllocateLarge(size_t bytes, bool zeroed) {
    LargeBlock block;
    if (bytes == 0) bytes = 1;
#if defined(__linux__)
    if (bytes >= kMapFrom && bytes <= SIZE_MAX - 2 * kHugePage) {
        LargeBlock reused = TakeKept(bytes);
        if (reused.data) {
            if (zeroed) std::memset(reused.data, 0, bytes);
            return reused;
        }
        const size_t whole = (bytes + kHugePage - 1) & ~(kHugePage - 1);
        const size_t length = whole + kHugePage;
        void* base =
            mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (base == MAP_FAILED) return block;
        const uintptr_t aligned = (reinterpret_cast<uintptr_t>(base) + kHugePage - 1) &
                                  ~static_cast<uintptr_t>(kHugePage - 1);
        madvise(reinterpret_cast<void*>(aligned), whole, MADV_HUGEPAGE); // a hint; may be refused
        block.data = reinterpret_cast<uint8_t*>(aligned);
        block.mapping = base;
        block.mappingLength = length;
        return block;
    }
#endif
    block.data = static_cast<uint8_t*>(std::calloc(bytes, 1));
    return block;
}

void FreeLarge(const LargeBlock& block) {
#if defined(__linux__)
    if (block.mapping) {
        if (!Keep(block)) munmap(block.mapping, block.mappingLength);
        return;
    }
#endif
    std::free(block.data);
}

} // namespace pictavo_internal
