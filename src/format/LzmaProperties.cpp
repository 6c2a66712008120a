#include "format/LzmaProperties.h"

#include "format/ByteOrder.h"

LzmaProperties ParseLzmaProperties(const uint8_t* bytes) {
  LzmaProperties properties;
  properties.lc = bytes[0] % 9;
  properties.lp = bytes[0] / 9 % 5;
  properties.pb = bytes[0] / 45;
  properties.dictionarySize = GetLe32(bytes + 1);
  return properties;
}
