#include "support/Crc32.h"

#include <cstring>

namespace {

uint32_t g_table[8][256];
bool g_built = false;

void BuildTables() {
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    g_table[0][i] = c;
  }
  // g_table[k][i]: the CRC of byte i followed by k zero bytes.
  for (int k = 1; k < 8; ++k) {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = g_table[k - 1][i];
      g_table[k][i] = (c >> 8) ^ g_table[0][c & 0xFF];
    }
  }
  g_built = true;
}

// The words are read little-endian, as every machine this runs on stores them.
inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

}  // namespace

uint32_t Crc32(const void* data, size_t size, uint32_t crc) {
  if (!g_built) BuildTables();
  const uint8_t* p = static_cast<const uint8_t*>(data);
  crc = ~crc;
  for (; size != 0 && (reinterpret_cast<uintptr_t>(p) & 3) != 0; --size)
    crc = g_table[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  for (; size >= 8; size -= 8, p += 8) {
    uint32_t a = Load32(p) ^ crc;
    uint32_t b = Load32(p + 4);
    crc = g_table[7][a & 0xFF] ^ g_table[6][(a >> 8) & 0xFF] ^ g_table[5][(a >> 16) & 0xFF] ^
          g_table[4][a >> 24] ^ g_table[3][b & 0xFF] ^ g_table[2][(b >> 8) & 0xFF] ^
          g_table[1][(b >> 16) & 0xFF] ^ g_table[0][b >> 24];
  }
  for (; size != 0; --size) crc = g_table[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return ~crc;
}
