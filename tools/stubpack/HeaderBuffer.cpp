#include "HeaderBuffer.h"

// The count of leading one bits in the first byte gives the number of extra little-endian
// bytes; the first byte's remaining bits are the value's most significant part.
void HeaderBuffer::Number(uint64_t value) {
  uint8_t first = 0;
  uint8_t mask = 0x80;
  int extra = 0;
  for (; extra < 8; ++extra) {
    if (value < (uint64_t{1} << (7 * (extra + 1)))) {
      first |= static_cast<uint8_t>(value >> (8 * extra));
      break;
    }
    first |= mask;
    mask >>= 1;
  }
  Byte(first);
  for (int i = 0; i < extra; ++i) Byte(static_cast<uint8_t>(value >> (8 * i)));
}

void HeaderBuffer::UInt32(uint32_t value) {
  for (int i = 0; i < 4; ++i) Byte(static_cast<uint8_t>(value >> (8 * i)));
}

void HeaderBuffer::UInt64(uint64_t value) {
  for (int i = 0; i < 8; ++i) Byte(static_cast<uint8_t>(value >> (8 * i)));
}

void HeaderBuffer::BitVector(const std::vector<bool>& bits) {
  uint8_t current = 0;
  uint8_t mask = 0x80;
  for (bool bit : bits) {
    if (bit) current |= mask;
    mask >>= 1;
    if (mask == 0) {
      Byte(current);
      current = 0;
      mask = 0x80;
    }
  }
  if (mask != 0x80) Byte(current);
}
