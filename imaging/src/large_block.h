#pragma once
// Inside the library: large zero-filled memory blocks for pixels and file contents. A fresh
// 12-megapixel picture is 36 MB; filling it page by page costs more than decoding it, so on
// Linux such blocks are mapped with transparent huge pages. Small blocks come from calloc.
#include <cstddef>
#include <cstdint>

namespace pictavo_internal {

struct LargeBlock {
    uint8_t* data = nullptr; // null when the block could not be had
    void* mapping = nullptr; // the mapping to release; null for calloc'd blocks
    size_t mappingLength = 0;
};

// A block of at least `bytes`, zero-filled unless `zeroed` is false (then a reused block
// holds what its last user left; a fresh one is zero all the same).
LargeBlock AllocateLarge(size_t bytes, bool zeroed = true);

// Releases a block from AllocateLarge (an empty one is fine).
void FreeLarge(const LargeBlock& block);

// Owns one block.
class LargeBuffer {
  public:
    LargeBuffer() = default;
    ~LargeBuffer() { FreeLarge(block_); }
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;
    bool Allocate(size_t bytes, bool zeroed = true) {
        FreeLarge(block_);
        block_ = AllocateLarge(bytes, zeroed);
        return block_.data != nullptr;
    }
    uint8_t* data() const { return block_.data; }

  private:
    LargeBlock block_{};
};

} // namespace pictavo_internal
