// FILETIME (100 ns since 1601, UTC) and POSIX times.
#pragma once
#include <ctime>

#include "platform/posix/Win32Api.h"

namespace posix_layer {

const uint64_t kFileTimeToUnixEpoch = 116444736000000000ull;

inline struct timespec FileTimeToTimespec(const FILETIME& time) {
  uint64_t ticks = (uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  int64_t sinceUnix = int64_t(ticks - kFileTimeToUnixEpoch);
  struct timespec result;
  int64_t seconds = sinceUnix / 10000000;
  int64_t rest = sinceUnix % 10000000;
  if (rest < 0) {
    rest += 10000000;
    --seconds;
  }
  result.tv_sec = time_t(seconds);
  result.tv_nsec = long(rest * 100);
  return result;
}

inline FILETIME TimespecToFileTime(const struct timespec& time) {
  uint64_t ticks = uint64_t(int64_t(time.tv_sec) * 10000000 + time.tv_nsec / 100) +
                   kFileTimeToUnixEpoch;
  return FILETIME{DWORD(ticks), DWORD(ticks >> 32)};
}

}  // namespace posix_layer
