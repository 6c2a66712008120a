#include "support/Crc32.h"

#include <gtest/gtest.h>
#include <lzma.h>

#include <random>
#include <vector>

namespace {

// The table-driven CRC gives liblzma's values at every length and alignment, started afresh
// or continued from an earlier value.
TEST(Crc32, MatchesLiblzmaAtRandomLengthsAndAlignments) {
  std::mt19937 rng(77);
  std::vector<uint8_t> bytes(70000);
  for (uint8_t& b : bytes) b = uint8_t(rng());
  for (int i = 0; i < 2000; ++i) {
    size_t offset = rng() % 16;
    size_t length = i < 64 ? size_t(i) : rng() % (bytes.size() - offset);
    uint32_t start = i % 2 ? rng() : 0;
    ASSERT_EQ(Crc32(bytes.data() + offset, length, start),
              lzma_crc32(bytes.data() + offset, length, start))
        << "offset " << offset << " length " << length;
  }
}

}  // namespace
