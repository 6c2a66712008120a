#include "platform/UnixFileTime.h"

#include <gtest/gtest.h>

namespace {

struct TimeCase {
  uint64_t ticks;
  int64_t seconds;
  uint32_t nanoseconds;
};

// Both directions, and seconds rounded down before 1970 (a time 100 ns before the Unix epoch is
// second -1, not second 0).
TEST(UnixFileTime, ConvertsBothWaysAndRoundsSecondsDown) {
  const TimeCase cases[] = {
      {116444736000000000ull, 0, 0},
      {116444736000000000ull + 12345678901ull, 1234, 567890100},
      {116444736000000000ull - 1, -1, 999999900},
      {0, -11644473600, 0},
  };
  for (const TimeCase& c : cases) {
    const UnixTime time = UnixTimeFromFileTime(c.ticks);
    EXPECT_EQ(time.seconds, c.seconds) << c.ticks;
    EXPECT_EQ(time.nanoseconds, c.nanoseconds) << c.ticks;
    EXPECT_EQ(FileTimeFromUnix(c.seconds, c.nanoseconds), c.ticks) << c.ticks;
  }
}

}  // namespace
