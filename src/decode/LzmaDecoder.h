// The LZMA coder (method 03 01 01) on liblzma's raw LZMA1 decoder. Reads five property bytes
// and produces exactly the requested output size, in pieces as they are read. liblzma keeps
// the dictionary: the declared size, or the output size when that is smaller.
#pragma once
#include <cstdint>

#include <lzma.h>

#include "support/Streams.h"

class LzmaDecoder final : public Decoder {
 public:
  LzmaDecoder() = default;
  ~LzmaDecoder() override;
  LzmaDecoder(const LzmaDecoder&) = delete;
  LzmaDecoder& operator=(const LzmaDecoder&) = delete;

  void SetProperties(ReadStream* properties) override;
  // One input; outSize must be given and within WindowLimit; inSize is ignored.
  void Start(ReadStream** ins, const uint32_t* const* inSizes, uint32_t inCount,
             const uint32_t* outSize) override;
  // Decodes up to size bytes into data; 0 once the output size is reached. Corrupt data ends
  // the run when it is met.
  uint32_t Read(void* data, uint32_t size) override;

  uint32_t Lc() const { return lc_; }
  uint32_t Lp() const { return lp_; }
  uint32_t Pb() const { return pb_; }
  uint32_t DictionarySize() const { return dictionarySize_; }
  // LzmaWindowLimit of the dictionary size.
  uint32_t WindowLimit() const;

 private:
  static const uint32_t kInBufferSize = 1 << 16;

  // Frees liblzma's state and dictionary.
  void End();

  bool hasProperties_ = false;
  uint32_t lc_ = 0;
  uint32_t lp_ = 0;
  uint32_t pb_ = 0;
  uint32_t dictionarySize_ = 0;
  ReadStream* in_ = nullptr;
  lzma_stream stream_ = LZMA_STREAM_INIT;
  bool running_ = false;  // stream_ holds liblzma state
  uint32_t remaining_ = 0;  // output bytes still to produce
  uint8_t inBuffer_[kInBufferSize];
};
