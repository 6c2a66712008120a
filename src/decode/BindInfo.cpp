#include "decode/BindInfo.h"

#include "support/Fatal.h"

namespace {

StreamLocation Locate(const ItemVector<CoderStreamCounts>& coders, uint32_t n, bool in) {
  for (uint32_t c = 0; c < coders.Count(); ++c) {
    uint32_t count = in ? coders[c].inCount : coders[c].outCount;
    if (n < count) return StreamLocation{c, n};
    n -= count;
  }
  FatalError(FailureReason::StreamNumberBeyondAllCoders);
}

}  // namespace

StreamLocation BindInfo::LocateInStream(uint32_t n) const { return Locate(Coders, n, true); }

StreamLocation BindInfo::LocateOutStream(uint32_t n) const { return Locate(Coders, n, false); }
