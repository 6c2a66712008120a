// The LZMA coder's five property bytes, and the limits both the stub and stubpack hold coders to.
#pragma once
#include <cstdint>

constexpr uint32_t kLzmaPropertiesSize = 5;
constexpr uint32_t kLzmaMinDictionary = 4096;
constexpr uint32_t kLzmaMaxDictionary = 256u << 20;
constexpr uint32_t kLzmaWindowReserve = 2u << 20;

struct LzmaProperties {
  uint32_t lc = 0;
  uint32_t lp = 0;
  uint32_t pb = 0;
  uint32_t dictionarySize = 0;
};

// The first byte is lc + 9 * (lp + 5 * pb); the dictionary size follows, least significant
// byte first. A first byte of 225 or more gives pb above 4, which no coder uses.
LzmaProperties ParseLzmaProperties(const uint8_t* bytes);

// The most output one coder may produce: dictionarySize + max(dictionarySize, 2 MiB). A rule on
// the declared sizes, kept from the time each output was held whole in one window.
constexpr uint64_t LzmaWindowLimit(uint32_t dictionarySize) {
  return uint64_t{dictionarySize} +
         (dictionarySize > kLzmaWindowReserve ? dictionarySize : kLzmaWindowReserve);
}
