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
  // The file's entire content in one piece that stays valid until Flush, given instead of any
  // Write: it is written from where it lies rather than copied into the buffer (the decoder's
  // window holds it already).
  void WriteWhole(const void* data, uint32_t size);
  void Flush();

  HANDLE handle = INVALID_HANDLE_VALUE;
  ItemVector<uint8_t> buffer;
  const uint8_t* whole = nullptr;
  uint32_t wholeSize = 0;
};
