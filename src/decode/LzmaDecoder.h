// The LZMA coder (method 03 01 01) on liblzma's raw LZMA1 decoder. Reads five property bytes,
// decodes exactly the requested output size into one window and hands the whole output on in
// a single Write. The window stays alive until the decoder is destroyed or decodes again, so a
// StreamBinder can pass the output on without a copy.
#pragma once
#include <cstdint>

#include "decode/Streams.h"

class LzmaDecoder final : public Decoder {
 public:
  static const uint32_t kMaxDictionarySize = 0x10000000;
  static const uint32_t kMinWindowReserve = 0x200000;

  LzmaDecoder() = default;
  ~LzmaDecoder() override;
  LzmaDecoder(const LzmaDecoder&) = delete;
  LzmaDecoder& operator=(const LzmaDecoder&) = delete;

  void SetProperties(ReadStream* properties) override;
  // outSize must be given; inSize is ignored.
  void Decode(ReadStream* in, WriteStream* out, const uint32_t* inSize,
              const uint32_t* outSize) override;

  uint32_t Lc() const { return lc_; }
  uint32_t Lp() const { return lp_; }
  uint32_t Pb() const { return pb_; }
  uint32_t DictionarySize() const { return dictionarySize_; }
  // The most output one Decode may produce: dictionarySize + max(dictionarySize, 2 MiB).
  uint32_t WindowLimit() const;
  // Frees the output window; the bytes written by the last Decode are gone afterwards.
  void ReleaseWindow();

 private:
  static const uint32_t kInBufferSize = 1 << 16;

  bool hasProperties_ = false;
  uint32_t lc_ = 0;
  uint32_t lp_ = 0;
  uint32_t pb_ = 0;
  uint32_t dictionarySize_ = 0;
  uint8_t* window_ = nullptr;
  uint8_t inBuffer_[kInBufferSize];
};
