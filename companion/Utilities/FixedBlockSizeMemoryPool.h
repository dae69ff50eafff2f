// A pool of equal small blocks for one thread: blocks come from chunks and go back to a free list,
// so taking and returning a block costs no call into the heap after the first chunk.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

class FixedBlockSizeMemoryPool {
  public:
    explicit FixedBlockSizeMemoryPool(std::size_t blockSize, std::size_t blocksPerChunk = 64);
    ~FixedBlockSizeMemoryPool();
    FixedBlockSizeMemoryPool(const FixedBlockSizeMemoryPool&) = delete;
    FixedBlockSizeMemoryPool& operator=(const FixedBlockSizeMemoryPool&) = delete;

    // A block of the pool's size, or null when `size` is not that size or memory is exhausted.
    void* AllocateFromPool(std::size_t size) noexcept;
    // Takes back a block that AllocateFromPool gave for the same size.
    void ReturnToPool(void* block, std::size_t size) noexcept;

  private:
    struct FreeBlock {
        FreeBlock* next;
    };
    bool AddChunk() noexcept;

    std::size_t blockSize;
    std::size_t blocksPerChunk;
    std::vector<std::unique_ptr<std::byte[]>> chunks;
    FreeBlock* freeList = nullptr;
};
