// UTF-8 and UTF-16, one code point at a time: the POSIX layer's code page is UTF-8, and stubpack
// takes names and version texts in UTF-8 and stores them in UTF-16.
#pragma once
#include <cstddef>
#include <cstdint>

// What DecodeUtf8 gives for bytes that are not UTF-8.
constexpr uint32_t kNotUtf8 = 0xFFFFFFFF;

// Decodes the code point at p (n > 0 bytes there) and returns how many bytes it takes. Bytes
// that are not UTF-8 (a stray or cut-short sequence, an overlong form, a surrogate, beyond
// U+10FFFF) give kNotUtf8 and the count of bytes to pass over: up to the byte that breaks the
// sequence, so that the next decoding starts there.
inline uint32_t DecodeUtf8(const unsigned char* p, size_t n, uint32_t* point) {
  const unsigned char b = p[0];
  *point = kNotUtf8;
  if (b < 0x80) {
    *point = b;
    return 1;
  }
  const uint32_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
  if (length == 0 || b > 0xF4 || length > n) return 1;
  uint32_t value = b & (0x7F >> length);
  for (uint32_t i = 1; i < length; ++i) {
    if ((p[i] & 0xC0) != 0x80) return i;
    value = (value << 6) | (p[i] & 0x3F);
  }
  static const uint32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (value >= kMinimum[length] && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF))
    *point = value;
  return length;
}

// Writes the UTF-8 form of a code point up to U+10FFFF (1 to 4 bytes) and returns its length.
inline uint32_t EncodeUtf8(uint32_t point, char* out) {
  if (point < 0x80) {
    out[0] = char(point);
    return 1;
  }
  const uint32_t length = point < 0x800 ? 2 : point < 0x10000 ? 3 : 4;
  for (uint32_t i = length; i-- > 1; point >>= 6) out[i] = char(0x80 | (point & 0x3F));
  out[0] = char((0xF00 >> length) | point);
  return length;
}

// Writes the UTF-16 form of a code point (one unit, or a surrogate pair above U+FFFF) and
// returns how many units it takes.
inline uint32_t EncodeUtf16(uint32_t point, char16_t* out) {
  if (point < 0x10000) {
    out[0] = char16_t(point);
    return 1;
  }
  point -= 0x10000;
  out[0] = char16_t(0xD800 + (point >> 10));
  out[1] = char16_t(0xDC00 + (point & 0x3FF));
  return 2;
}
