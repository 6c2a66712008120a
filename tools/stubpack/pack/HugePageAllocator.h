// An allocator for liblzma's encoder that puts its large blocks on 2 MiB pages where the system
// offers them: the match finder reads its tables, tens of megabytes, at random, and on huge
// pages it misses the address translation cache far less often.
#pragma once
#include <lzma.h>

#include <cstddef>

// Large blocks are rounded up to whole huge pages; the last one may be backed whole.
constexpr size_t kHugePageSize = size_t{2} << 20;
// The encoder's blocks of at least 2 huge pages: its window, the match finder's hash table and
// its tree.
constexpr size_t kEncoderLargeBlocks = 3;

// Null where huge pages cannot be asked for: liblzma then uses malloc.
const lzma_allocator* HugePageAllocator();
