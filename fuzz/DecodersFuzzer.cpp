// The LZMA and BCJ2 decoders on arbitrary streams.
// Byte 0: bit 0 picks the coder (0 LZMA, 1 BCJ2); bit 1 reads the output in 3-byte pieces
// (else 64 KiB);
// bits 2-7 set the largest piece an input stream delivers per Read (1 to 64 bytes, or all).
// LZMA: 5 property bytes, a 3-byte output size (up to 16 MiB: larger sizes only cost time),
// then the packed stream. BCJ2: three 2-byte lengths (main, call, jump), those streams, and
// the rest as the decision stream.
#include <cstring>

#include "FuzzSupport.h"
#include "decode/Bcj2Decoder.h"
#include "decode/LzmaDecoder.h"
#include "support/MemAlloc.h"

namespace {

// Delivers its bytes in pieces of at most `piece` bytes, as a reader over a short file would.
class PieceStream : public ReadStream {
 public:
  PieceStream(const uint8_t* data, size_t size, uint32_t piece)
      : data_(data), size_(size), piece_(piece) {}
  uint32_t Read(void* out, uint32_t size) override {
    size_t n = size_ - position_;
    if (n > size) n = size;
    if (piece_ && n > piece_) n = piece_;
    if (n) std::memcpy(out, data_ + position_, n);
    position_ += n;
    return uint32_t(n);
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
  uint32_t piece_;
};

// Starts the coder and reads its whole output in pieces of the given size.
void ReadOutput(Decoder* decoder, ReadStream** ins, uint32_t inCount, const uint32_t* outSize,
                uint32_t piece) {
  static uint8_t buffer[1 << 16];
  decoder->Start(ins, nullptr, inCount, outSize);
  while (decoder->Read(buffer, piece) != 0) {
  }
}

// Consumes up to n bytes (at most 8) and returns them as a little-endian number.
uint64_t Take(const uint8_t*& data, size_t& size, size_t n) {
  uint64_t value = 0;
  for (size_t i = 0; i < n && size > 0; ++i, ++data, --size) value |= uint64_t(*data) << (8 * i);
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  fuzz::Initialise();
  uint8_t mode = data[0];
  ++data;
  --size;
  uint32_t piece = (mode >> 2) == 63 ? 0 : (mode >> 2) + 1;
  uint32_t outPiece = (mode & 2) != 0 ? 3 : 1 << 16;

  fuzz::BeginRun();
  bool failed;
  if ((mode & 1) == 0) {
    LzmaDecoder* decoder = New<LzmaDecoder>();
    failed = fuzz::EndsInFailure([&] {
      PieceStream properties(data, size < 5 ? size : 5, piece);
      Take(data, size, 5);
      uint32_t outSize = uint32_t(Take(data, size, 3));
      decoder->SetProperties(&properties);
      PieceStream in(data, size, piece);
      ReadStream* ins[1] = {&in};
      ReadOutput(decoder, ins, 1, &outSize, outPiece);
    });
    Delete(decoder);
  } else {
    Bcj2Decoder* decoder = New<Bcj2Decoder>();
    failed = fuzz::EndsInFailure([&] {
      size_t lengths[3];
      for (size_t& n : lengths) n = size_t(Take(data, size, 2));
      const uint8_t* starts[3];
      for (int i = 0; i < 3; ++i) {
        if (lengths[i] > size) lengths[i] = size;
        starts[i] = data;
        data += lengths[i];
        size -= lengths[i];
      }
      PieceStream main(starts[0], lengths[0], piece);
      PieceStream call(starts[1], lengths[1], piece);
      PieceStream jump(starts[2], lengths[2], piece);
      PieceStream decisions(data, size, piece);
      ReadStream* ins[4] = {&main, &call, &jump, &decisions};
      ReadOutput(decoder, ins, 4, nullptr, outPiece);
    });
    Delete(decoder);
  }
  fuzz::EndRun(failed);
  return 0;
}
