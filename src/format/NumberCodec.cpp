#include "format/NumberCodec.h"

uint32_t NumberExtraBytes(uint8_t first) {
  uint32_t n = 0;
  while (n < 8 && (first & (0x80 >> n)) != 0) ++n;
  return n;
}

uint64_t DecodeNumber(uint8_t first, const uint8_t* extra) {
  uint32_t n = NumberExtraBytes(first);
  uint64_t low = 0;
  for (uint32_t i = n; i-- > 0;) low = low << 8 | extra[i];
  if (n == 8) return low;
  return low | uint64_t(first & (0x7F >> n)) << (8 * n);
}

uint32_t EncodeNumber(uint64_t value, uint8_t* out) {
  uint32_t n = 0;
  uint8_t first = 0;
  // n extra bytes leave 7 - n bits of the first byte for the value: 7 * (n + 1) bits in all.
  while (n < 8 && value >> (7 * (n + 1)) != 0) first |= uint8_t(0x80 >> n++);
  if (n < 8) first |= uint8_t(value >> (8 * n));
  out[0] = first;
  for (uint32_t i = 0; i < n; ++i) out[1 + i] = uint8_t(value >> (8 * i));
  return 1 + n;
}
