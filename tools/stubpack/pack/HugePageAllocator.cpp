#include "pack/HugePageAllocator.h"

#ifdef __linux__
#include <sys/mman.h>

#include <cstdlib>

namespace {

void* Allocate(void*, size_t count, size_t size) {
  const size_t bytes = count * size;
  if (count != 0 && bytes / count != size) return nullptr;
  if (bytes < 2 * kHugePageSize) return std::malloc(bytes);
  const size_t rounded = (bytes + kHugePageSize - 1) / kHugePageSize * kHugePageSize;
  void* block = std::aligned_alloc(kHugePageSize, rounded);
  // Only a hint: without transparent huge pages the block stays on small pages.
  if (block) madvise(block, rounded, MADV_HUGEPAGE);
  return block;
}

void Release(void*, void* block) { std::free(block); }

const lzma_allocator kAllocator = {Allocate, Release, nullptr};

}  // namespace

const lzma_allocator* HugePageAllocator() { return &kAllocator; }
#else
const lzma_allocator* HugePageAllocator() { return nullptr; }
#endif
