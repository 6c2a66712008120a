#include "decode/LzmaDecoder.h"

#include <lzma.h>

#include <cstdint>
#include <cstring>

#include "support/Fatal.h"
#include "support/MemAlloc.h"

namespace {

// liblzma allocates its state and dictionary through the unpacker's allocator, so a failed
// allocation ends the run like every other.
void* LzmaAlloc(void*, size_t count, size_t size) {
  if (size != 0 && count > SIZE_MAX / size) FatalError("LZMA allocation too large");
  return MemAlloc(count * size);
}

void LzmaFree(void*, void* block) { MemFree(block); }

const lzma_allocator kAllocator = {LzmaAlloc, LzmaFree, nullptr};

}  // namespace

LzmaDecoder::~LzmaDecoder() { ReleaseWindow(); }

void LzmaDecoder::ReleaseWindow() {
  MemFree(window_);
  window_ = nullptr;
}

uint32_t LzmaDecoder::WindowLimit() const {
  return dictionarySize_ +
         (dictionarySize_ > kMinWindowReserve ? dictionarySize_ : kMinWindowReserve);
}

void LzmaDecoder::SetProperties(ReadStream* properties) {
  uint8_t d = 0;
  if (properties->Read(&d, 1) != 1) FatalError("LZMA properties missing");
  uint8_t size[4];
  if (properties->Read(size, 4) != 4) FatalError("LZMA dictionary size missing");
  uint32_t dictionarySize = uint32_t(size[0]) | uint32_t(size[1]) << 8 | uint32_t(size[2]) << 16 |
                            uint32_t(size[3]) << 24;
  if (dictionarySize > kMaxDictionarySize) FatalError("LZMA dictionary too large");
  uint32_t lc = d % 9;
  uint32_t lp = (d / 9) % 5;
  uint32_t pb = d / 45;
  if (pb > 4) FatalError("LZMA pb above 4");
  // liblzma decodes lc + lp <= 4 only; such streams are refused rather than misread.
  if (lc + lp > 4) FatalError("LZMA lc + lp above 4");
  lc_ = lc;
  lp_ = lp;
  pb_ = pb;
  dictionarySize_ = dictionarySize;
  hasProperties_ = true;
  ReleaseWindow();
}

void LzmaDecoder::Decode(ReadStream* in, WriteStream* out, const uint32_t*,
                         const uint32_t* outSize) {
  if (!outSize) FatalError("LZMA output size missing");
  if (!hasProperties_) FatalError("LZMA coder without properties");
  const uint32_t n = *outSize;
  if (n == 0) return;
  // Output at or past the window limit would be fatal once reached, so it fails before any
  // memory is taken for it.
  if (n > WindowLimit()) FatalError("LZMA output beyond window limit");

  ReleaseWindow();
  window_ = static_cast<uint8_t*>(MemAlloc(n));

  // The dictionary covers the whole output, so a match may reach back to any byte produced so
  // far. The exact size lets liblzma stop after byte n without looking for an end marker.
  lzma_options_lzma options;
  std::memset(&options, 0, sizeof(options));
  options.dict_size = n > LZMA_DICT_SIZE_MIN ? n : LZMA_DICT_SIZE_MIN;
  options.lc = lc_;
  options.lp = lp_;
  options.pb = pb_;
  options.ext_flags = 0;
  options.ext_size_low = n;
  options.ext_size_high = 0;
  lzma_filter filters[2] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};

  lzma_stream stream = LZMA_STREAM_INIT;
  stream.allocator = &kAllocator;
  if (lzma_raw_decoder(&stream, filters) != LZMA_OK) FatalError("LZMA decoder not started");
  stream.next_out = window_;
  stream.avail_out = n;

  bool inputExhausted = false;
  while (stream.total_out < n) {
    if (stream.avail_in == 0) {
      uint32_t got = inputExhausted ? 0 : in->Read(inBuffer_, kInBufferSize);
      if (got == 0) {
        // Past the end of the input every byte counts as 0.
        if (!inputExhausted) std::memset(inBuffer_, 0, kInBufferSize);
        inputExhausted = true;
        got = kInBufferSize;
      }
      stream.next_in = inBuffer_;
      stream.avail_in = got;
    }
    if (lzma_code(&stream, LZMA_RUN) != LZMA_OK) break;
  }
  // Once n bytes are out the stream is complete; liblzma may still report the data after them
  // (an end marker, an unflushed range coder, a match running past n) as an error, which does
  // not concern this output. Short of n bytes, whatever stopped it is corrupt data.
  const bool complete = stream.total_out == n;
  // The dictionary goes before the output is handed on, so the consumer runs without it.
  lzma_end(&stream);
  if (!complete) FatalError("corrupt LZMA data");
  if (out->Write(window_, n) != n) FatalError("LZMA output not accepted");
}
