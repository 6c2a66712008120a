// Binary adaptive range encoder whose output the unpacker's range decoder reads (the constants
// of format/RangeCoder.h), with a leading zero byte and a five-byte flush.
#pragma once
#include <cstdint>
#include <vector>

#include "format/RangeCoder.h"

class RangeEncoder {
 public:
  // Codes one bit with the probability `prob` (of a 0) and adapts it.
  void EncodeBit(uint16_t& prob, int bit);
  // Writes the pending bytes; the encoder is spent afterwards.
  void Flush();
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  std::vector<uint8_t>& Bytes() { return bytes_; }

 private:
  void ShiftLow();

  uint64_t low_ = 0;
  uint32_t range_ = 0xFFFFFFFF;
  uint8_t cache_ = 0;
  uint64_t cacheSize_ = 1;
  std::vector<uint8_t> bytes_;
};
