// Large blocks of the POSIX layer's LocalAlloc go back to the system when freed, so that the
// stub's peak memory is its live windows and buffers, not what the C library kept.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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

// Exits 0 when a large block is mapped after a larger one was freed, and is unmapped when
// freed; else 1, with the mapped sizes on standard error.
[[noreturn]] void CheckLargeBlocksAreMapped() {
  // Freeing a large mapped block would normally raise the C library's mapping threshold to
  // its size, and the next blocks below it would come from the heap and stay there.
  HLOCAL first = LocalAlloc(LMEM_FIXED, 24u << 20);
  if (first == nullptr) {
    std::fprintf(stderr, "the 24 MiB block was refused\n");
    std::_Exit(1);
  }
  std::memset(first, 1, 24u << 20);
  LocalFree(first);
  const size_t mappedBefore = mallinfo2().hblkhd;
  HLOCAL second = LocalAlloc(LMEM_FIXED, 8u << 20);
  if (second == nullptr) {
    std::fprintf(stderr, "the 8 MiB block was refused\n");
    std::_Exit(1);
  }
  const size_t mappedWithSecond = mallinfo2().hblkhd;
  LocalFree(second);
  const size_t mappedAfter = mallinfo2().hblkhd;
  const bool mapped = mappedWithSecond >= mappedBefore + (8u << 20);
  const bool unmapped = mappedAfter == mappedBefore;
  std::fprintf(stderr, "mapped: %zu before, %zu with the 8 MiB block, %zu after freeing it\n",
               mappedBefore, mappedWithSecond, mappedAfter);
  std::_Exit(mapped && unmapped ? 0 : 1);
}

TEST(PosixMemory, LargeBlocksAreMappedEvenAfterALargerOneWasFreed) {
  if (!STUBKIT_OWN_MALLOC) GTEST_SKIP() << "the sanitizer's allocator replaces the C library's";
  // In a process of its own (the test binary started again): the heap that other tests leave
  // behind can hold a free chunk large enough for these blocks, which the C library hands out
  // before it maps new memory.
  const std::string style = GTEST_FLAG_GET(death_test_style);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(CheckLargeBlocksAreMapped(), ::testing::ExitedWithCode(0), "");
  GTEST_FLAG_SET(death_test_style, style);
}

}  // namespace
