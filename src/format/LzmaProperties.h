// The LZMA coder's five property bytes, read and written, and the limits both the stub and
// stubpack hold coders to.
#pragma once
#include <cstdint>

#include "support/FailureReason.h"

constexpr uint32_t kLzmaPropertiesSize = 5;
constexpr uint32_t kLzmaMinDictionary = 4096;  // liblzma's smallest dictionary
constexpr uint32_t kLzmaMaxDictionary = 256u << 20;
constexpr uint32_t kLzmaWindowReserve = 2u << 20;
// liblzma's LZMA1 coders take lc + lp up to 4; pb above 4 fits no coder.
constexpr uint32_t kLzmaMaxLcPlusLp = 4;
constexpr uint32_t kLzmaMaxPb = 4;

struct LzmaProperties {
  uint32_t lc = 0;
  uint32_t lp = 0;
  uint32_t pb = 0;
  uint32_t dictionarySize = 0;
};

// The first byte is lc + 9 * (lp + 5 * pb); the dictionary size follows, least significant
// byte first. A first byte of 225 or more gives pb above 4, which no coder uses.
LzmaProperties ParseLzmaProperties(const uint8_t* bytes);
void BuildLzmaProperties(const LzmaProperties& properties, uint8_t* bytes);

// Why the stub refuses a coder of these properties (the first rule broken: the dictionary,
// pb, then lc + lp), or None.
FailureReason LzmaPropertiesProblem(const LzmaProperties& properties);

// The most output one coder may produce: dictionarySize + max(dictionarySize, 2 MiB). A rule on
// the declared sizes, kept from the time each output was held whole in one window.
constexpr uint64_t LzmaWindowLimit(uint32_t dictionarySize) {
  return uint64_t{dictionarySize} +
         (dictionarySize > kLzmaWindowReserve ? dictionarySize : kLzmaWindowReserve);
}

// The dictionary the stub's decoder allocates for an output of outputSize bytes: matches never
// reach before the first byte, so no more than the output, and never below liblzma's least.
constexpr uint32_t LzmaDictionaryInUse(uint32_t dictionarySize, uint64_t outputSize) {
  const uint64_t used = dictionarySize < outputSize ? dictionarySize : outputSize;
  return used > kLzmaMinDictionary ? uint32_t(used) : kLzmaMinDictionary;
}
