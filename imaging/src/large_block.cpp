// Large zero-filled blocks: huge-page mappings on Linux, calloc elsewhere and for small sizes.
#include "large_block.h"

#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace pictavo_internal {

namespace {
constexpr size_t kMapFrom = 1u << 20;  // smaller blocks come from calloc
constexpr size_t kHugePage = 2u << 20; // huge pages need 2 MB aligned ranges
} // namespace

LargeBlock AllocateLarge(size_t bytes) {
    LargeBlock block;
    if (bytes == 0) bytes = 1;
#if defined(__linux__)
    if (bytes >= kMapFrom && bytes <= SIZE_MAX - kHugePage) {
        const size_t length = bytes + kHugePage;
        void* base = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (base == MAP_FAILED) return block;
        const uintptr_t aligned =
            (reinterpret_cast<uintptr_t>(base) + kHugePage - 1) & ~static_cast<uintptr_t>(kHugePage - 1);
        madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE); // a hint; may be refused
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
        munmap(block.mapping, block.mappingLength);
        return;
    }
#endif
    std::free(block.data);
}

} // namespace pictavo_internal
