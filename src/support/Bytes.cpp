#include "support/Bytes.h"

#include <cstring>

void FillBytes(void* destination, uint8_t value, size_t n) { std::memset(destination, value, n); }

void CopyBytes(void* destination, const void* source, size_t n) {
  if (n) std::memmove(destination, source, n);
}

int CompareBytes(const void* a, const void* b, size_t n) {
  int c = n ? std::memcmp(a, b, n) : 0;
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}
