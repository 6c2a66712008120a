// An allocator for liblzma's encoder that puts its large blocks on huge pages (LargeBlock).
#pragma once
#include <lzma.h>

#include <cstddef>

#include "system/LargeBlock.h"

// The encoder's blocks of at least 2 huge pages: its window, the match finder's hash table and
// its tree; each may take up to one huge page more than it asks for.
constexpr size_t kEncoderLargeBlocks = 3;

const lzma_allocator* HugePageAllocator();
