// FILETIME, the entries' time stamps, counts 100 ns ticks from 1601-01-01 UTC; Unix time counts
// seconds from 1970-01-01 UTC. The POSIX layer converts at its boundary, stubpack when it packs
// and lists.
#pragma once
#include <cstdint>

constexpr uint64_t kFileTimeTicksPerSecond = 10000000;
constexpr int64_t kSecondsFrom1601To1970 = 11644473600;

// Nanoseconds below a tick are dropped.
constexpr uint64_t FileTimeFromUnix(int64_t seconds, uint32_t nanoseconds) {
  return uint64_t(seconds + kSecondsFrom1601To1970) * kFileTimeTicksPerSecond + nanoseconds / 100;
}

struct UnixTime {
  int64_t seconds = 0;       // rounded down: a time before 1970 has a negative second
  uint32_t nanoseconds = 0;  // below 1e9
};

constexpr UnixTime UnixTimeFromFileTime(uint64_t ticks) {
  const uint64_t unixEpoch = uint64_t(kSecondsFrom1601To1970) * kFileTimeTicksPerSecond;
  const int64_t sinceUnix = int64_t(ticks - unixEpoch);
  int64_t seconds = sinceUnix / int64_t(kFileTimeTicksPerSecond);
  int64_t rest = sinceUnix % int64_t(kFileTimeTicksPerSecond);
  if (rest < 0) {
    rest += int64_t(kFileTimeTicksPerSecond);
    --seconds;
  }
  return UnixTime{seconds, uint32_t(rest * 100)};
}
