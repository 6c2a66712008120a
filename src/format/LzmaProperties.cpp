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

void BuildLzmaProperties(const LzmaProperties& properties, uint8_t* bytes) {
  bytes[0] = uint8_t((properties.pb * 5 + properties.lp) * 9 + properties.lc);
  PutLe32(bytes + 1, properties.dictionarySize);
}

FailureReason LzmaPropertiesProblem(const LzmaProperties& properties) {
  if (properties.dictionarySize > kLzmaMaxDictionary) return FailureReason::LzmaDictionaryTooLarge;
  if (properties.pb > kLzmaMaxPb) return FailureReason::LzmaPbAbove4;
  if (properties.lc + properties.lp > kLzmaMaxLcPlusLp) return FailureReason::LzmaLcLpAbove4;
  return FailureReason::None;
}
