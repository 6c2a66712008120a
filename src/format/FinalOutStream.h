// A folder's final output: the last of its out-streams that no bind pair consumes. Its size is
// the folder's unpacked size, which the folder's entries share.
#pragma once
#include <cstdint>

#include "support/ItemVector.h"

// boundOut(i) is the out-stream that bind pair i consumes. Returns outCount when every
// out-stream is bound. Linear in outCount + pairCount, whatever the pairs say: the bound
// streams are marked first.
template <typename BoundOut>
uint32_t FinalOutStream(uint32_t outCount, uint32_t pairCount, BoundOut boundOut) {
  ItemVector<bool> bound;
  bound.Resize(outCount);
  for (uint32_t i = 0; i < pairCount; ++i) {
    const uint64_t out = boundOut(i);
    if (out < outCount) bound[uint32_t(out)] = true;
  }
  for (uint32_t i = outCount; i-- > 0;)
    if (!bound[i]) return i;
  return outCount;
}
