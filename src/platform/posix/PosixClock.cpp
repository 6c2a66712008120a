// The tick count and Sleep over the monotonic clock.
#include <time.h>

#include <cerrno>

#include "platform/posix/Win32Api.h"

DWORD WINAPI GetTickCount() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return DWORD(uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u);
}

void WINAPI Sleep(DWORD milliseconds) {
  struct timespec left = {time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}
