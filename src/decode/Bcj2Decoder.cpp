#include "decode/Bcj2Decoder.h"

#include "support/Fatal.h"

void Bcj2Decoder::SetProperties(ReadStream*) { FatalError("BCJ2 coder given properties"); }

uint8_t Bcj2Decoder::NextDecisionByte() {
  // An exhausted decision stream reads as zeros; it is never a failure by itself.
  uint8_t b = 0;
  return decisions_->Read(&b, 1) == 1 ? b : 0;
}

inline uint32_t Bcj2Decoder::DecodeBit(BitModel& model) {
  uint32_t bound = (range_ >> 11) * model.prob;
  uint32_t bit;
  if (code_ < bound) {
    range_ = bound;
    model.prob += (2048 - model.prob) >> kMoveBits;
    bit = 0;
  } else {
    range_ -= bound;
    code_ -= bound;
    model.prob -= model.prob >> kMoveBits;
    bit = 1;
  }
  if (range_ < (1u << 24)) {
    range_ <<= 8;
    code_ = (code_ << 8) | NextDecisionByte();
  }
  return bit;
}

void Bcj2Decoder::Flush() {
  if (outCount_ == 0) return;
  if (out_->Write(outBlock_, outCount_) != outCount_) FatalError("BCJ2 output not accepted");
  outCount_ = 0;
}

void Bcj2Decoder::Decode(ReadStream** ins, const uint32_t* const*, uint32_t inCount,
                         WriteStream** outs, const uint32_t* const*, uint32_t outCount) {
  if (inCount != 4 || outCount != 1) FatalError("BCJ2 stream counts");
  ReadStream* main = ins[0];
  ReadStream* call = ins[1];
  ReadStream* jump = ins[2];
  decisions_ = ins[3];
  out_ = outs[0];
  outCount_ = 0;

  // The range decoder takes its five start bytes even when main turns out to be empty; the
  // first of them is shifted out of the 32-bit code.
  range_ = 0xFFFFFFFF;
  code_ = 0;
  for (int i = 0; i < 5; ++i) code_ = (code_ << 8) | NextDecisionByte();
  for (BitModel& model : e8Models_) model.prob = 1024;
  e9Model_.prob = 1024;
  jccModel_.prob = 1024;

  uint32_t outPos = 0;  // bytes produced so far, modulo 2^32
  uint8_t prev = 0;     // the last byte produced
  uint32_t mainPos = 0;
  uint32_t mainCount = 0;
  for (;;) {
    if (mainPos == mainCount) {
      mainCount = main->Read(mainBlock_, kBlockSize);
      mainPos = 0;
      if (mainCount == 0) break;
    }
    if (outCount_ == kBlockSize) Flush();
    // Copy plain bytes up to and including the next branch candidate.
    uint32_t n = mainCount - mainPos;
    if (n > kBlockSize - outCount_) n = kBlockSize - outCount_;
    const uint8_t* src = mainBlock_ + mainPos;
    uint8_t* dst = outBlock_ + outCount_;
    uint32_t i = 0;
    bool candidate = false;
    uint8_t b = 0;
    while (i < n) {
      b = src[i];
      dst[i++] = b;
      if ((b & 0xFE) == 0xE8 || (prev == 0x0F && (b & 0xF0) == 0x80)) {
        candidate = true;
        break;
      }
      prev = b;
    }
    mainPos += i;
    outCount_ += i;
    outPos += i;
    if (!candidate) continue;

    // prev is still the byte before the candidate here.
    BitModel& model = b == 0xE8 ? e8Models_[prev] : (b == 0xE9 ? e9Model_ : jccModel_);
    if (DecodeBit(model) == 0) {
      prev = b;
      continue;
    }
    uint8_t target[4];
    if ((b == 0xE8 ? call : jump)->Read(target, 4) != 4) FatalError("BCJ2 target stream short");
    uint32_t src32 = uint32_t(target[0]) << 24 | uint32_t(target[1]) << 16 |
                     uint32_t(target[2]) << 8 | uint32_t(target[3]);
    // outPos counts the opcode just produced; the displacement is relative to the end of the
    // 4-byte field that follows it.
    uint32_t dest = src32 - (outPos + 4);
    if (kBlockSize - outCount_ < 4) Flush();
    outBlock_[outCount_++] = uint8_t(dest);
    outBlock_[outCount_++] = uint8_t(dest >> 8);
    outBlock_[outCount_++] = uint8_t(dest >> 16);
    outBlock_[outCount_++] = uint8_t(dest >> 24);
    outPos += 4;
    prev = uint8_t(dest >> 24);
  }
  Flush();
  decisions_ = nullptr;
  out_ = nullptr;
}
