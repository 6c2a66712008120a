#include "decode/Bcj2Decoder.h"

#include <cstring>

#include "format/ByteOrder.h"
#include "support/Fatal.h"

void Bcj2Decoder::SetProperties(ReadStream*) { FatalError(FailureReason::Bcj2GivenProperties); }

uint8_t Bcj2Decoder::NextDecisionByte() {
  // The encoder's flush writes every byte the decoder will take: a missing one is damage.
  uint8_t b;
  if (decisions_->Read(&b, 1) != 1) FatalError(FailureReason::Bcj2DecisionStreamShort);
  return b;
}

inline uint32_t Bcj2Decoder::DecodeBit(BitModel& model) {
  uint32_t bound = (range_ >> kRangeProbBits) * model.prob;
  uint32_t bit;
  if (code_ < bound) {
    range_ = bound;
    model.prob += (kRangeProbTotal - model.prob) >> kRangeMoveBits;
    bit = 0;
  } else {
    range_ -= bound;
    code_ -= bound;
    model.prob -= model.prob >> kRangeMoveBits;
    bit = 1;
  }
  if (range_ < kRangeTop) {
    range_ <<= 8;
    code_ = (code_ << 8) | NextDecisionByte();
  }
  return bit;
}

uint32_t Bcj2Decoder::NextTarget(TargetInput& in) {
  if (in.count - in.pos < 4) {
    in.count -= in.pos;
    std::memmove(in.block, in.block + in.pos, in.count);
    in.pos = 0;
    while (in.count < 4) {
      uint32_t got = in.stream->Read(in.block + in.count, sizeof in.block - in.count);
      if (got == 0) FatalError(FailureReason::Bcj2TargetStreamShort);
      in.count += got;
    }
  }
  const uint8_t* b = in.block + in.pos;
  in.pos += 4;
  return GetBe32(b);
}

void Bcj2Decoder::Start(ReadStream** ins, const uint32_t* const*, uint32_t inCount,
                        const uint32_t* outSize) {
  if (inCount != 4) FatalError(FailureReason::Bcj2StreamCounts);
  outSize_ = outSize ? *outSize : 0;
  main_ = ins[0];
  call_.stream = ins[1];
  jump_.stream = ins[2];
  decisions_ = ins[3];
  call_.pos = call_.count = jump_.pos = jump_.count = 0;
  mainPos_ = mainCount_ = 0;
  outPos_ = 0;
  prev_ = 0;
  pendingCount_ = 0;
  // The range decoder takes its five start bytes even when main turns out to be empty; the
  // first of them is shifted out of the 32-bit code.
  range_ = 0xFFFFFFFF;
  code_ = 0;
  for (int i = 0; i < 5; ++i) code_ = (code_ << 8) | NextDecisionByte();
  for (BitModel& model : e8Models_) model.prob = 1024;
  e9Model_.prob = 1024;
  jccModel_.prob = 1024;
}

uint32_t Bcj2Decoder::Read(void* data, uint32_t size) {
  uint8_t* dst = static_cast<uint8_t*>(data);
  uint32_t done = 0;
  for (;;) {
    // The rest of a target that did not fit the caller's last piece.
    for (; pendingCount_ != 0 && done < size; --pendingCount_, pending_ >>= 8)
      dst[done++] = uint8_t(pending_);
    if (done == size) return done;
    if (mainPos_ == mainCount_) {
      mainCount_ = main_->Read(mainBlock_, kBlockSize);
      mainPos_ = 0;
      if (mainCount_ == 0) {
        // The end of main ends the output; before the declared size, main was cut short.
        if (outPos_ < outSize_) FatalError(FailureReason::Bcj2MainStreamShort);
        return done;
      }
    }
    // Copy plain bytes up to and including the next branch candidate.
    uint32_t n = mainCount_ - mainPos_;
    if (n > size - done) n = size - done;
    const uint8_t* src = mainBlock_ + mainPos_;
    uint8_t* out = dst + done;
    uint8_t prev = prev_;
    uint32_t i = 0;
    bool candidate = false;
    uint8_t b = 0;
    while (i < n) {
      b = src[i];
      out[i++] = b;
      if ((b & 0xFE) == 0xE8 || (prev == 0x0F && (b & 0xF0) == 0x80)) {
        candidate = true;
        break;
      }
      prev = b;
    }
    mainPos_ += i;
    done += i;
    outPos_ += i;
    prev_ = prev;  // still the byte before a candidate here
    if (!candidate) continue;

    BitModel& model = b == 0xE8 ? e8Models_[prev] : (b == 0xE9 ? e9Model_ : jccModel_);
    if (DecodeBit(model) == 0) {
      prev_ = b;
      continue;
    }
    uint32_t target = NextTarget(b == 0xE8 ? call_ : jump_);
    // outPos_ counts the opcode just produced; the displacement is relative to the end of the
    // 4-byte field that follows it.
    pending_ = target - (outPos_ + 4);
    pendingCount_ = 4;
    outPos_ += 4;
    prev_ = uint8_t(pending_ >> 24);
  }
}
