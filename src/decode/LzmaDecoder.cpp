#include "decode/LzmaDecoder.h"

#include <cstdint>
#include <cstring>

#include "format/LzmaProperties.h"
#include "support/Fatal.h"
#include "support/MemAlloc.h"

namespace {

// liblzma allocates its state and dictionary through the unpacker's allocator, so a failed
// allocation ends the run like every other.
void* LzmaAlloc(void*, size_t count, size_t size) {
  if (size != 0 && count > SIZE_MAX / size) FatalError(FailureReason::LzmaAllocationTooLarge);
  return MemAlloc(count * size);
}

void LzmaFree(void*, void* block) { MemFree(block); }

const lzma_allocator kAllocator = {LzmaAlloc, LzmaFree, nullptr};

}  // namespace

LzmaDecoder::~LzmaDecoder() { End(); }

void LzmaDecoder::End() {
  if (running_) lzma_end(&stream_);
  running_ = false;
  remaining_ = 0;
}

uint32_t LzmaDecoder::WindowLimit() const { return uint32_t(LzmaWindowLimit(dictionarySize_)); }

void LzmaDecoder::SetProperties(ReadStream* properties) {
  uint8_t bytes[kLzmaPropertiesSize];
  if (properties->Read(bytes, 1) != 1) FatalError(FailureReason::LzmaPropertiesMissing);
  if (properties->Read(bytes + 1, 4) != 4) FatalError(FailureReason::LzmaDictionarySizeMissing);
  const LzmaProperties p = ParseLzmaProperties(bytes);
  // liblzma decodes lc + lp <= 4 only; other streams are refused rather than misread.
  const FailureReason problem = LzmaPropertiesProblem(p);
  if (problem != FailureReason::None) FatalError(problem);
  lc_ = p.lc;
  lp_ = p.lp;
  pb_ = p.pb;
  dictionarySize_ = p.dictionarySize;
  hasProperties_ = true;
}

void LzmaDecoder::Start(ReadStream** ins, const uint32_t* const*, uint32_t inCount,
                        const uint32_t* outSize) {
  End();
  if (inCount != 1) FatalError(FailureReason::LzmaStreamCounts);
  if (!outSize) FatalError(FailureReason::LzmaOutputSizeMissing);
  if (!hasProperties_) FatalError(FailureReason::LzmaCoderWithoutProperties);
  const uint32_t n = *outSize;
  if (n == 0) return;
  // The limit on the declared sizes: an output beyond it is refused before any memory is
  // taken, whatever the dictionary.
  if (n > WindowLimit()) FatalError(FailureReason::LzmaOutputBeyondWindowLimit);

  // Matches reach back at most the declared dictionary, and never before the first byte: a
  // dictionary larger than the output would never fill.
  lzma_options_lzma options;
  std::memset(&options, 0, sizeof(options));
  options.dict_size = LzmaDictionaryInUse(dictionarySize_, n);
  options.lc = lc_;
  options.lp = lp_;
  options.pb = pb_;
  // The exact size lets liblzma stop after byte n without looking for an end marker.
  options.ext_size_low = n;
  lzma_filter filters[2] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  stream_ = LZMA_STREAM_INIT;
  stream_.allocator = &kAllocator;
  if (lzma_raw_decoder(&stream_, filters) != LZMA_OK)
    FatalError(FailureReason::LzmaDecoderNotStarted);
  running_ = true;
  in_ = ins[0];
  remaining_ = n;
}

uint32_t LzmaDecoder::Read(void* data, uint32_t size) {
  if (size > remaining_) size = remaining_;
  if (size == 0) return 0;
  stream_.next_out = static_cast<uint8_t*>(data);
  stream_.avail_out = size;
  while (stream_.avail_out != 0) {
    if (stream_.avail_in == 0) {
      stream_.next_in = inBuffer_;
      stream_.avail_in = in_->Read(inBuffer_, kInBufferSize);
    }
    // With the input at its end, liblzma still hands out what it holds; a call that can make
    // no progress at all returns LZMA_BUF_ERROR. Nothing stands in for missing input: a stream
    // that ends before its output is complete is damaged.
    if (lzma_code(&stream_, LZMA_RUN) != LZMA_OK) break;
  }
  const uint32_t produced = size - uint32_t(stream_.avail_out);
  remaining_ -= produced;
  // Once n bytes are out the stream is complete; liblzma may still report the data after them
  // (an end marker, an unflushed range coder, a match running past n) as an error, which does
  // not concern this output. Short of n bytes, whatever stopped it is corrupt data.
  if (remaining_ == 0) End();  // the dictionary goes as soon as the last byte is out
  else if (produced != size) FatalError(FailureReason::CorruptLzmaData);
  return produced;
}
