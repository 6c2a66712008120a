#include "format/Folder.h"

#include "format/FinalOutStream.h"
#include "support/Fatal.h"

int32_t Folder::FindInBindPair(uint64_t inIndex) const {
  for (uint32_t i = 0; i < BindPairs.Count(); ++i)
    if (BindPairs[i].InIndex == inIndex) return int32_t(i);
  return -1;
}

int32_t Folder::FindOutBindPair(uint64_t outIndex) const {
  for (uint32_t i = 0; i < BindPairs.Count(); ++i)
    if (BindPairs[i].OutIndex == outIndex) return int32_t(i);
  return -1;
}

int32_t Folder::FindPackedStream(uint64_t inIndex) const {
  for (uint32_t i = 0; i < PackedStreams.Count(); ++i)
    if (PackedStreams[i] == inIndex) return int32_t(i);
  return -1;
}

uint32_t Folder::TotalOutStreams() const {
  uint32_t total = 0;
  for (uint32_t i = 0; i < Coders.Count(); ++i) total += uint32_t(Coders[i].NumOutStreams);
  return total;
}

uint32_t Folder::FinalUnpackSize() const {
  uint32_t count = UnpackSizes.Count();
  if (count == 0) return 0;
  uint32_t final = FinalOutStream(count, BindPairs.Count(),
                                  [this](uint32_t i) { return BindPairs[i].OutIndex; });
  if (final == count) FatalError(FailureReason::FolderWithoutUnboundOutput);
  return UnpackSizes[final];
}
