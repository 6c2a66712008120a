// Large blocks of the POSIX layer's LocalAlloc go back to the system when freed, so that the
// stub's peak memory is its live windows and buffers, not what the C library kept.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstring>

#include "platform/win32.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
#define STUBKIT_OWN_MALLOC 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define STUBKIT_OWN_MALLOC 0
#endif
#endif
#ifndef STUBKIT_OWN_MALLOC
#define STUBKIT_OWN_MALLOC 1
#endif

TEST(PosixMemory, LargeBlocksAreMappedEvenAfterALargerOneWasFreed) {
  if (!STUBKIT_OWN_MALLOC) GTEST_SKIP() << "the sanitizer's allocator replaces the C library's";
  // Freeing a large mapped block would normally raise the C library's mapping threshold to
  // its size, and the next blocks below it would come from the heap and stay there.
  HLOCAL first = LocalAlloc(LMEM_FIXED, 24u << 20);
  ASSERT_NE(first, nullptr);
  std::memset(first, 1, 24u << 20);
  LocalFree(first);
  const size_t mappedBefore = mallinfo2().hblkhd;
  HLOCAL second = LocalAlloc(LMEM_FIXED, 8u << 20);
  ASSERT_NE(second, nullptr);
  EXPECT_GE(mallinfo2().hblkhd, mappedBefore + (8u << 20));
  LocalFree(second);
  EXPECT_EQ(mallinfo2().hblkhd, mappedBefore);
}

}  // namespace
