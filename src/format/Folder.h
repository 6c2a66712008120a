// A folder record as the header gives it: its coders, the bind pairs that wire one coder's
// out-stream to another's in-stream, and the in-streams fed by packed streams. The reader
// fills it, the folder decoder runs it; the coder flag byte's bits are named here for both
// the reader and the writers.
#pragma once
#include <cstdint>

#include "format/MethodId.h"
#include "support/ItemVector.h"
#include "support/MemoryStream.h"

// The coder's flag byte: the method id's length in the low four bits, then whether stream
// counts and property bytes follow. Bits 0x40 and 0x80 (alternative methods) stay unused.
constexpr uint8_t kCoderMethodIdLengthMask = 0x0F;
constexpr uint8_t kCoderHasStreamCounts = 0x10;
constexpr uint8_t kCoderHasProperties = 0x20;

struct CoderInfo {
  MethodId Method;
  uint64_t NumInStreams = 1;
  uint64_t NumOutStreams = 1;
  MemoryStream Properties;
};

struct BindPair {
  uint64_t InIndex = 0;
  uint64_t OutIndex = 0;

  bool operator==(const BindPair& other) const {
    return InIndex == other.InIndex && OutIndex == other.OutIndex;
  }
};

struct Folder {
  ItemVector<CoderInfo> Coders;
  ItemVector<BindPair> BindPairs;
  ItemVector<uint64_t> PackedStreams;
  ItemVector<uint32_t> UnpackSizes;
  bool UnpackCrcDefined = false;
  uint32_t UnpackCrc = 0;

  int32_t FindInBindPair(uint64_t inIndex) const;
  int32_t FindOutBindPair(uint64_t outIndex) const;
  int32_t FindPackedStream(uint64_t inIndex) const;
  uint32_t TotalOutStreams() const;
  // The size of the folder's final (unbound) output; ends the run when every out-stream is bound.
  uint32_t FinalUnpackSize() const;
};
