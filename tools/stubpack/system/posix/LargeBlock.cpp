#include "system/LargeBlock.h"

#include <sys/mman.h>

#include <cstdlib>

void* AllocateLargeBlock(size_t bytes) {
  const size_t rounded = (bytes + kHugePageSize - 1) / kHugePageSize * kHugePageSize;
  if (rounded < bytes) return nullptr;
  void* block = std::aligned_alloc(kHugePageSize, rounded);
#ifdef MADV_HUGEPAGE
  // Only a hint: without transparent huge pages the block stays on small pages.
  if (block) madvise(block, rounded, MADV_HUGEPAGE);
#endif
  return block;
}
