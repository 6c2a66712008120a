// The archive's variable-length numbers: the count of leading one bits in the first byte says
// how many bytes follow (least significant first); the first byte's remaining low bits are the
// value's most significant part. 0xFF is followed by all eight bytes of the value.
#pragma once
#include <cstdint>

constexpr uint32_t kMaxNumberSize = 9;

// How many bytes follow a number's first byte: 0 to 8.
uint32_t NumberExtraBytes(uint8_t first);
// The value of the number that begins with first and continues with NumberExtraBytes(first)
// bytes at extra.
uint64_t DecodeNumber(uint8_t first, const uint8_t* extra);
// Writes value in its shortest form to out (kMaxNumberSize bytes at most); returns the length.
uint32_t EncodeNumber(uint64_t value, uint8_t* out);
