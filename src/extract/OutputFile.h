// One new output file: its handle and its whole content, written in one call when finished.
#pragma once
#include <cstdint>

#include "platform/win32.h"
#include "support/ItemVector.h"
#include "support/WideString.h"

class OutputFile {
 public:
  // Creates the file (it must not exist); failure reports "Can not open output file".
  void Create(const WideString& path);
  void Write(const void* data, int32_t size);
  void Flush();

  HANDLE handle = INVALID_HANDLE_VALUE;
  ItemVector<uint8_t> buffer;
};
