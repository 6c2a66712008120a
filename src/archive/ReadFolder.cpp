#include "archive/HeaderCursor.h"
#include "archive/HeaderParsing.h"
#include "support/Fatal.h"

namespace {

// The stream counts of one coder, kept as the header gives them but refused beyond 32 bits.
void AddStreams(uint64_t& total, uint64_t count) {
  total += count;
  if (total > UINT32_MAX) FatalError(FailureReason::NumberBeyond32Bits);
}

}  // namespace

void ReadFolder(HeaderCursor& cursor, Folder& folder) {
  uint32_t numCoders = cursor.ReadNumber32();
  // Every coder takes at least its flag byte.
  cursor.RequireBytes(numCoders, FailureReason::CoderCountBeyondHeader);
  if (numCoders == 0) FatalError(FailureReason::FolderWithoutCoders);
  folder.Coders.Clear();
  uint64_t totalIn = 0;
  uint64_t totalOut = 0;
  for (uint32_t i = 0; i < numCoders; ++i) {
    folder.Coders.Add(CoderInfo());
    CoderInfo& coder = folder.Coders.Back();
    uint8_t flags = cursor.ReadByte();
    coder.Method.Length = flags & kCoderMethodIdLengthMask;
    cursor.RequireBytes(coder.Method.Length, FailureReason::MethodIdBeyondHeader);
    cursor.ReadBytes(coder.Method.Bytes, coder.Method.Length);
    if (flags & kCoderHasStreamCounts) {
      coder.NumInStreams = cursor.ReadNumber32();
      coder.NumOutStreams = cursor.ReadNumber32();
    }
    AddStreams(totalIn, coder.NumInStreams);
    AddStreams(totalOut, coder.NumOutStreams);
    if (flags & kCoderHasProperties) {
      uint32_t propertiesSize = cursor.ReadNumber32();
      cursor.RequireBytes(propertiesSize, FailureReason::PropertySizeBeyondHeader);
      coder.Properties.Bytes.Resize(propertiesSize);
      cursor.ReadBytes(coder.Properties.Bytes.Data(), propertiesSize);
      coder.Properties.WritePosition = propertiesSize;
    }
  }

  if (totalOut == 0) FatalError(FailureReason::FolderWithoutOutput);
  uint64_t numBindPairs = totalOut - 1;
  // Two numbers of at least a byte each per bind pair.
  cursor.RequireBytes(2 * numBindPairs, FailureReason::BindPairCountBeyondHeader);
  folder.BindPairs.Clear();
  for (uint64_t i = 0; i < numBindPairs; ++i) {
    BindPair pair;
    pair.InIndex = cursor.ReadNumber();
    pair.OutIndex = cursor.ReadNumber();
    // The decoders index their stream arrays with these.
    if (pair.InIndex >= totalIn || pair.OutIndex >= totalOut)
      FatalError(FailureReason::StreamIndexOutOfRange);
    folder.BindPairs.Add(pair);
  }

  if (totalIn < numBindPairs) FatalError(FailureReason::MoreBindPairsThanInStreams);
  uint64_t numPacked = totalIn - numBindPairs;
  if (numPacked == 1) {
    // The one in-stream that no bind pair feeds; marked in one pass to stay linear.
    ItemVector<bool> bound;
    bound.Resize(uint32_t(totalIn));
    for (uint32_t i = 0; i < folder.BindPairs.Count(); ++i)
      bound[uint32_t(folder.BindPairs[i].InIndex)] = true;
    for (uint32_t i = 0; i < totalIn; ++i) {
      if (!bound[i]) {
        folder.PackedStreams.Add(i);
        break;
      }
    }
  } else if (numPacked > 1) {
    cursor.RequireBytes(numPacked, FailureReason::PackedStreamCountBeyondHeader);
    for (uint64_t i = 0; i < numPacked; ++i) {
      uint64_t index = cursor.ReadNumber();
      if (index >= totalIn) FatalError(FailureReason::StreamIndexOutOfRange);
      folder.PackedStreams.Add(index);
    }
  }
}
