#include "bcj2/RangeEncoder.h"

void RangeEncoder::EncodeBit(uint16_t& prob, int bit) {
  const uint32_t bound = (range_ >> kRangeProbBits) * prob;
  if (bit == 0) {
    range_ = bound;
    prob = static_cast<uint16_t>(prob + ((kRangeProbTotal - prob) >> kRangeMoveBits));
  } else {
    low_ += bound;
    range_ -= bound;
    prob = static_cast<uint16_t>(prob - (prob >> kRangeMoveBits));
  }
  while (range_ < kRangeTop) {
    range_ <<= 8;
    ShiftLow();
  }
}

void RangeEncoder::Flush() {
  for (int i = 0; i < 5; ++i) ShiftLow();
}

// Emits the byte above the low 32 bits once no carry can reach it any more; a run of 0xFF
// bytes waits in cacheSize_ until the carry is known.
void RangeEncoder::ShiftLow() {
  if (static_cast<uint32_t>(low_) < 0xFF000000u || (low_ >> 32) != 0) {
    const uint8_t carry = static_cast<uint8_t>(low_ >> 32);
    uint8_t temp = cache_;
    do {
      bytes_.push_back(static_cast<uint8_t>(temp + carry));
      temp = 0xFF;
    } while (--cacheSize_ != 0);
    cache_ = static_cast<uint8_t>(static_cast<uint32_t>(low_) >> 24);
  }
  ++cacheSize_;
  low_ = (low_ & 0x00FFFFFFu) << 8;
}
