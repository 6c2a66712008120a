// The BCJ2 x86 branch converter (method 03 03 01 1B), decoding side. Merges four inputs (code
// bytes, CALL targets, JMP/Jcc targets, range-coded decisions) into x86 code, turning each
// absolute big-endian target back into the little-endian relative displacement.
#pragma once
#include <cstdint>

#include "decode/Streams.h"

class Bcj2Decoder final : public MultiDecoder {
 public:
  Bcj2Decoder() = default;
  Bcj2Decoder(const Bcj2Decoder&) = delete;
  Bcj2Decoder& operator=(const Bcj2Decoder&) = delete;

  // The coder takes no properties: ends the run.
  void SetProperties(ReadStream* properties) override;
  // ins: main, call, jump, decisions; one output. Sizes are ignored: the end of main ends it.
  void Decode(ReadStream** ins, const uint32_t* const* inSizes, uint32_t inCount,
              WriteStream** outs, const uint32_t* const* outSizes, uint32_t outCount) override;

 private:
  // Adaptive probability (of 2048) that the next decision is 0.
  struct BitModel {
    uint32_t prob = 1024;
  };
  static const uint32_t kMoveBits = 5;
  // The output and the main input pass through blocks; the decisions, a small fraction of the
  // data, are read one byte per Read.
  static const uint32_t kBlockSize = 1 << 16;

  uint8_t NextDecisionByte();
  uint32_t DecodeBit(BitModel& model);
  void Flush();

  ReadStream* decisions_ = nullptr;
  WriteStream* out_ = nullptr;
  uint32_t range_ = 0;
  uint32_t code_ = 0;
  BitModel e8Models_[256];
  BitModel e9Model_;
  BitModel jccModel_;
  uint32_t outCount_ = 0;  // bytes waiting in outBlock_
  uint8_t mainBlock_[kBlockSize];
  uint8_t outBlock_[kBlockSize];
};
