// Fixed-size block pool.
#include "FixedBlockSizeMemoryPool.h"

#include <new>

FixedBlockSizeMemoryPool::FixedBlockSizeMemoryPool(std::size_t blockSize,
                                                   std::size_t blocksPerChunk)
    : blockSize(blockSize < sizeof(FreeBlock) ? sizeof(FreeBlock) : blockSize),
      blocksPerChunk(blocksPerChunk == 0 ? 1 : blocksPerChunk) {}

FixedBlockSizeMemoryPool::~FixedBlockSizeMemoryPool() = default;

bool FixedBlockSizeMemoryPool::AddChunk() noexcept {
    try {
        chunks.emplace_back(new std::byte[blockSize * blocksPerChunk]);
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::byte* chunk = chunks.back().get();
    for (std::size_t i = blocksPerChunk; i-- > 0;) {
        auto* block = reinterpret_cast<FreeBlock*>(chunk + i * blockSize);
        block->next = freeList;
        freeList = block;
    }
    return true;
}

void* FixedBlockSizeMemoryPool::AllocateFromPool(std::size_t size) noexcept {
    if (size != blockSize || (freeList == nullptr && !AddChunk())) {
        return nullptr;
    }
    FreeBlock* block = freeList;
    freeList = block->next;
    return block;
}

void FixedBlockSizeMemoryPool::ReturnToPool(void* block, std::size_t size) noexcept {
    if (block == nullptr || size != blockSize) {
        return;
    }
    auto* freed = static_cast<FreeBlock*>(block);
    freed->next = freeList;
    freeList = freed;
}
