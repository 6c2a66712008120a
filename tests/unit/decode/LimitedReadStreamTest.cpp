#include <gtest/gtest.h>

#include "decode/LimitedReadStream.h"
#include "fixtures/TestStreams.h"

namespace {

TEST(LimitedReadStream, PassesAtMostItsLimitThenZero) {
  BytesReadStream inner({1, 2, 3, 4, 5, 6, 7, 8});
  LimitedReadStream limited(&inner, 5);
  uint8_t buffer[8] = {};
  EXPECT_EQ(limited.Read(buffer, 3), 3u);
  EXPECT_EQ(limited.Read(buffer, 8), 2u);
  EXPECT_EQ(buffer[0], 4);
  EXPECT_EQ(buffer[1], 5);
  EXPECT_EQ(limited.Remaining(), 0u);
  uint32_t readsBefore = inner.Reads();
  EXPECT_EQ(limited.Read(buffer, 8), 0u);
  // The next stream's bytes are never touched once the limit is reached.
  EXPECT_EQ(inner.Reads(), readsBefore);
  EXPECT_EQ(inner.Position(), 5u);
}

TEST(LimitedReadStream, CountsOnlyWhatTheInnerStreamDelivered) {
  BytesReadStream inner({1, 2, 3}, 2);  // short pieces, then the end
  LimitedReadStream limited(&inner, 10);
  uint8_t buffer[10];
  EXPECT_EQ(limited.Read(buffer, 10), 2u);
  EXPECT_EQ(limited.Remaining(), 8u);
  EXPECT_EQ(limited.Read(buffer, 10), 1u);
  EXPECT_EQ(limited.Read(buffer, 10), 0u);
  EXPECT_EQ(limited.Remaining(), 7u);
}

}  // namespace
