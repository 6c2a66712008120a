// The BCJ2 x86 branch converter (method 03 03 01 1B), decoding side. Merges four inputs (code
// bytes, CALL targets, JMP/Jcc targets, range-coded decisions) into x86 code, turning each
// absolute big-endian target back into the little-endian relative displacement. Its output is
// read in pieces; each input is pulled as the output needs it.
#pragma once
#include <cstdint>

#include "format/RangeCoder.h"
#include "support/Streams.h"

class Bcj2Decoder final : public Decoder {
 public:
  Bcj2Decoder() = default;
  Bcj2Decoder(const Bcj2Decoder&) = delete;
  Bcj2Decoder& operator=(const Bcj2Decoder&) = delete;

  // The coder takes no properties: ends the run.
  void SetProperties(ReadStream* properties) override;
  // ins: main, call, jump, decisions. The end of main ends the output; short of outSize (when
  // given) it ends the run, as does any other input running out before it is needed. Takes
  // the range decoder's five start bytes from the decisions.
  void Start(ReadStream** ins, const uint32_t* const* inSizes, uint32_t inCount,
             const uint32_t* outSize) override;
  uint32_t Read(void* data, uint32_t size) override;

 private:
  // Adaptive probability (of kRangeProbTotal) that the next decision is 0.
  struct BitModel {
    uint32_t prob = kRangeProbInit;
  };
  // A target stream read in blocks: most targets are 4 of its bytes, too few to pull singly.
  struct TargetInput {
    ReadStream* stream = nullptr;
    uint32_t pos = 0;
    uint32_t count = 0;
    uint8_t block[1 << 12];
  };
  static const uint32_t kBlockSize = 1 << 16;

  // The decisions, a small fraction of the data, are read one byte per Read.
  uint8_t NextDecisionByte();
  uint32_t DecodeBit(BitModel& model);
  static uint32_t NextTarget(TargetInput& in);

  ReadStream* main_ = nullptr;
  ReadStream* decisions_ = nullptr;
  TargetInput call_;
  TargetInput jump_;
  uint32_t range_ = 0;
  uint32_t code_ = 0;
  BitModel e8Models_[256];
  BitModel e9Model_;
  BitModel jccModel_;
  uint32_t outPos_ = 0;   // bytes produced so far, modulo 2^32
  uint32_t outSize_ = 0;  // the declared output size; 0 when none was given
  uint8_t prev_ = 0;      // the last byte produced
  uint32_t pending_ = 0;  // bytes of a converted target still to hand out, lowest first
  uint32_t pendingCount_ = 0;
  uint32_t mainPos_ = 0;
  uint32_t mainCount_ = 0;
  uint8_t mainBlock_[kBlockSize];
};
