// Read-only access to the stub's own file: a 32-bit position and a 4096-byte cache for small
// reads. Every byte of the archive is read through one InputFile.
#pragma once
#include <cstdint>

#include "platform/win32.h"
#include "support/WideString.h"

class InputFile {
 public:
  static const uint32_t kCacheSize = 4096;

  // Opens path for reading; failure reports "Can not open input file" and ends the run.
  void Open(const WideString& path);
  int32_t GetPosition() const { return Position; }
  // Origins as the system's: FILE_BEGIN from the start, FILE_CURRENT from Position, FILE_END
  // from the end (asks the system). Others: no-op.
  void Seek(int32_t distance, uint32_t origin);
  // Copies exactly n bytes from Position and advances it, or ends the run.
  void Read(void* buffer, uint32_t n);
  uint32_t ReadAt(uint32_t position, void* buffer, uint32_t n);

  int32_t Position = 0;
  uint32_t CacheStart = 0;
  uint32_t CacheCount = 0;
  HANDLE Handle = INVALID_HANDLE_VALUE;
  uint8_t Cache[kCacheSize];
};
