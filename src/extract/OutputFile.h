// One new output file: its handle, receiving the content piece by piece as it is decoded.
#pragma once
#include <cstdint>

#include "platform/win32.h"
#include "support/WideString.h"

class OutputFile {
 public:
  // Creates the file, which must not exist yet; false (the last error set) when it cannot be.
  bool TryCreate(const WideString& path);
  // Writes the next piece of the content at once; a failed or short write ends the run.
  void Write(const void* data, uint32_t size);

  HANDLE handle = INVALID_HANDLE_VALUE;
};
