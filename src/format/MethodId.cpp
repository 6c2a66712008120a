#include "format/MethodId.h"

bool MethodId::operator==(const MethodId& other) const {
  if (Length != other.Length || Length > sizeof(Bytes)) return false;
  for (uint32_t i = 0; i < Length; ++i)
    if (Bytes[i] != other.Bytes[i]) return false;
  return true;
}
