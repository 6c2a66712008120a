// A cursor over one in-memory buffer of header bytes; the buffer is not owned.
#pragma once
#include <cstdint>

struct HeaderReader {
  const uint8_t* Data = nullptr;
  uint32_t Size = 0;
  uint32_t Position = 0;

  // The next byte and true, or false (and nothing changes) at the end of the buffer.
  bool TryReadByte(uint8_t& value);
  // Copies up to n bytes; returns how many were left to copy.
  uint32_t ReadAvailable(uint8_t* destination, uint32_t n);
  uint32_t Remaining() const { return Size - Position; }
};
