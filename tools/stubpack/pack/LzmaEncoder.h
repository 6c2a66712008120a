// Raw LZMA (the 7z LZMA coder) through liblzma's LZMA1 encoder, without an end marker: the
// archive records every unpack size, so the decoder stops on the size.
#pragma once
#include <lzma.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "format/LzmaProperties.h"

struct LzmaSettings {
  uint32_t lc = 3;
  uint32_t lp = 0;
  uint32_t pb = 2;
  uint32_t dictSize = 64u << 20;
  lzma_match_finder matchFinder = LZMA_MF_BT4;
  uint32_t niceLen = 273;
  uint32_t depth = 0;  // 0: liblzma picks the depth from the match finder and nice length
  lzma_mode mode = LZMA_MODE_NORMAL;
};

class LzmaEncoder {
 public:
  // Called with the number of input bytes consumed since the previous call.
  using Progress = std::function<void(uint64_t consumed)>;

  // The five property bytes of the 7z LZMA coder: lc/lp/pb, then the dictionary size.
  static std::array<uint8_t, kLzmaPropertiesSize> Properties(const LzmaSettings& settings);
  // The memory liblzma's encoder takes for these settings (its match finder and dictionary),
  // from lzma_raw_encoder_memusage, plus its large blocks' rounding up to huge pages; about
  // 680 MiB at the defaults.
  static uint64_t Memory(const LzmaSettings& settings);
  // Compresses data; failures of liblzma throw std::runtime_error. An exception thrown by
  // progress ends the encoding and is passed on, with the encoder's memory released.
  static std::vector<uint8_t> Encode(const uint8_t* data, size_t size,
                                     const LzmaSettings& settings,
                                     const Progress& progress = nullptr);
};
