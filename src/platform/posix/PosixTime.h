// FILETIME (100 ns since 1601, UTC) and POSIX times.
#pragma once
#include <ctime>

#include "platform/UnixFileTime.h"
#include "platform/posix/Win32Api.h"

namespace posix_layer {

inline struct timespec FileTimeToTimespec(const FILETIME& time) {
  const UnixTime since =
      UnixTimeFromFileTime(uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime);
  struct timespec result;
  result.tv_sec = time_t(since.seconds);
  result.tv_nsec = long(since.nanoseconds);
  return result;
}

inline FILETIME TimespecToFileTime(const struct timespec& time) {
  const uint64_t ticks = FileTimeFromUnix(int64_t(time.tv_sec), uint32_t(time.tv_nsec));
  return FILETIME{DWORD(ticks), DWORD(ticks >> 32)};
}

}  // namespace posix_layer
