#include "pack/HugePageAllocator.h"

#include <cstdlib>

namespace {

void* Allocate(void*, size_t count, size_t size) {
  const size_t bytes = count * size;
  if (count != 0 && bytes / count != size) return nullptr;
  return bytes < 2 * kHugePageSize ? std::malloc(bytes) : AllocateLargeBlock(bytes);
}

void Release(void*, void* block) { std::free(block); }

const lzma_allocator kAllocator = {Allocate, Release, nullptr};

}  // namespace

const lzma_allocator* HugePageAllocator() { return &kAllocator; }
