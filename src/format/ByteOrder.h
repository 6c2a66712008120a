// Fixed-size integers in byte buffers. The archive (like the PE format) stores them least
// significant byte first; BCJ2 stores its branch targets most significant byte first.
#pragma once
#include <cstdint>

inline uint16_t GetLe16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

inline uint32_t GetLe32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline uint64_t GetLe64(const uint8_t* p) { return GetLe32(p) | uint64_t(GetLe32(p + 4)) << 32; }

inline uint32_t GetBe32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

inline void PutLe16(uint8_t* p, uint16_t value) {
  p[0] = uint8_t(value);
  p[1] = uint8_t(value >> 8);
}

inline void PutLe32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(value >> (8 * i));
}

inline void PutLe64(uint8_t* p, uint64_t value) {
  PutLe32(p, uint32_t(value));
  PutLe32(p + 4, uint32_t(value >> 32));
}

inline void PutBe32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(value >> (24 - 8 * i));
}
