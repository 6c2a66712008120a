#include "pack/LzmaEncoder.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "pack/HugePageAllocator.h"

std::array<uint8_t, kLzmaPropertiesSize> LzmaEncoder::Properties(const LzmaSettings& s) {
  std::array<uint8_t, kLzmaPropertiesSize> bytes;
  BuildLzmaProperties({s.lc, s.lp, s.pb, s.dictSize}, bytes.data());
  return bytes;
}

namespace {

lzma_options_lzma EncoderOptions(const LzmaSettings& s) {
  lzma_options_lzma options;
  if (lzma_lzma_preset(&options, 9 | LZMA_PRESET_EXTREME)) {
    throw std::runtime_error("liblzma has no preset 9e");
  }
  options.lc = s.lc;
  options.lp = s.lp;
  options.pb = s.pb;
  options.dict_size = s.dictSize;
  options.mf = s.matchFinder;
  options.nice_len = s.niceLen;
  options.depth = s.depth;
  options.mode = s.mode;
  options.ext_flags = 0;  // no end marker
  options.ext_size_low = 0;
  options.ext_size_high = 0;
  return options;
}

// Ends the encoder on every way out of Encode, a throwing progress callback included.
struct StreamEnd {
  lzma_stream* stream;
  ~StreamEnd() { lzma_end(stream); }
};

}  // namespace

uint64_t LzmaEncoder::Memory(const LzmaSettings& settings) {
  lzma_options_lzma options = EncoderOptions(settings);
  const lzma_filter filters[2] = {{LZMA_FILTER_LZMA1EXT, &options},
                                  {LZMA_VLI_UNKNOWN, nullptr}};
  const uint64_t bytes = lzma_raw_encoder_memusage(filters);
  if (bytes == UINT64_MAX) throw std::runtime_error("liblzma refused the LZMA options");
  return bytes + kEncoderLargeBlocks * kHugePageSize;
}

std::vector<uint8_t> LzmaEncoder::Encode(const uint8_t* data, size_t size,
                                         const LzmaSettings& s, const Progress& progress) {
  lzma_options_lzma options = EncoderOptions(s);
  lzma_filter filters[2] = {{LZMA_FILTER_LZMA1EXT, &options},
                            {LZMA_VLI_UNKNOWN, nullptr}};
  lzma_stream stream = LZMA_STREAM_INIT;
  stream.allocator = HugePageAllocator();
  const StreamEnd end{&stream};
  lzma_ret ret = lzma_raw_encoder(&stream, filters);
  if (ret != LZMA_OK) {
    throw std::runtime_error("liblzma refused the LZMA options (code " +
                             std::to_string(static_cast<int>(ret)) + ")");
  }
  // Input goes in slices so that progress can be reported during long runs.
  constexpr size_t kSlice = 1u << 20;
  std::vector<uint8_t> out(size / 2 + 4096);
  size_t fed = 0;
  stream.next_out = out.data();
  stream.avail_out = out.size();
  for (;;) {
    if (stream.avail_in == 0 && fed < size) {
      const size_t n = std::min(kSlice, size - fed);
      stream.next_in = data + fed;
      stream.avail_in = n;
      fed += n;
      if (progress) progress(n);
    }
    const lzma_action action = fed == size ? LZMA_FINISH : LZMA_RUN;
    ret = lzma_code(&stream, action);
    if (ret == LZMA_STREAM_END) break;
    if (ret != LZMA_OK) {
      throw std::runtime_error("LZMA encoding failed (code " +
                               std::to_string(static_cast<int>(ret)) + ")");
    }
    if (stream.avail_out == 0) {
      const size_t used = out.size();
      out.resize(used * 2);
      stream.next_out = out.data() + used;
      stream.avail_out = out.size() - used;
    }
  }
  out.resize(stream.total_out);
  out.shrink_to_fit();  // the packed bytes may wait a while to be written
  return out;
}
