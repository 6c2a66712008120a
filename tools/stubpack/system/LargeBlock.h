// Memory for large blocks read at random, such as an LZMA match finder's tables: on 2 MiB
// pages where the system gives them on request, as they then miss the address translation
// cache far less often.
#pragma once
#include <cstddef>

constexpr size_t kHugePageSize = size_t{2} << 20;

// bytes rounded up to whole huge pages (the last one may be backed whole); null when out of
// memory. Freed with std::free.
void* AllocateLargeBlock(size_t bytes);
