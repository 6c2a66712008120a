// LzmaDecoder throughput on 64 MiB of mixed data against liblzma's raw decoder called directly
// on the same stream. Prints both speeds and their ratio (LzmaDecoder / direct).
#include <lzma.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "decode/CoderMixer.h"
#include "decode/LzmaDecoder.h"
#include "fixtures/LzmaTestStream.h"
#include "fixtures/TestData.h"

namespace {

class MemoryReader : public ReadStream {
 public:
  explicit MemoryReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  uint32_t Read(void* data, uint32_t size) override {
    size_t n = std::min<size_t>(size, bytes_.size() - pos_);
    std::memcpy(data, bytes_.data() + pos_, n);
    pos_ += n;
    return uint32_t(n);
  }

 private:
  const std::vector<uint8_t>& bytes_;
  size_t pos_ = 0;
};

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  const uint32_t size = 64u << 20;
  std::vector<uint8_t> data = MixedTestData(size, 2024);
  LzmaParams params{3, 0, 2, 64u << 20};
  std::vector<uint8_t> stream = LzmaEncode(data, params, false, 1);
  std::vector<uint8_t> props = LzmaPropertyBytes(params);
  std::printf("input: %u bytes, LZMA stream %zu bytes\n", size, stream.size());

  double best[2] = {1e9, 1e9};
  std::vector<uint8_t> direct(size);
  for (int round = 0; round < 5; ++round) {
    {  // the product coder: input by 64 KiB reads, output read in the folder's pieces
      auto start = std::chrono::steady_clock::now();
      LzmaDecoder decoder;
      MemoryReader propsIn(props), in(stream);
      decoder.SetProperties(&propsIn);
      ReadStream* ins[] = {&in};
      decoder.Start(ins, nullptr, 1, &size);
      std::vector<uint8_t> piece(CoderMixer::kPieceSize);
      uint64_t total = 0;
      uint8_t last = 0;
      for (uint32_t got; (got = decoder.Read(piece.data(), uint32_t(piece.size()))) != 0;) {
        total += got;
        last = piece[got - 1];
      }
      best[0] = std::min(best[0], Seconds(start));
      if (total != size || last != data.back()) return std::puts("mismatch"), 1;
    }
    {  // liblzma directly, whole stream in, output buffer reused
      auto start = std::chrono::steady_clock::now();
      lzma_options_lzma options;
      std::memset(&options, 0, sizeof(options));
      options.dict_size = size;
      options.lc = params.lc;
      options.lp = params.lp;
      options.pb = params.pb;
      options.ext_size_low = size;
      lzma_filter filters[2] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
      lzma_stream s = LZMA_STREAM_INIT;
      if (lzma_raw_decoder(&s, filters) != LZMA_OK) return 1;
      s.next_in = stream.data();
      s.avail_in = stream.size();
      s.next_out = direct.data();
      s.avail_out = direct.size();
      lzma_ret ret = lzma_code(&s, LZMA_RUN);
      bool ok = s.total_out == size && (ret == LZMA_OK || ret == LZMA_STREAM_END);
      lzma_end(&s);
      best[1] = std::min(best[1], Seconds(start));
      if (!ok || direct != data) return std::puts("direct mismatch"), 1;
    }
  }
  double mb = size / 1e6;
  std::printf("LzmaDecoder: %.1f MB/s\nliblzma direct: %.1f MB/s\nratio: %.3f\n", mb / best[0],
              mb / best[1], best[1] / best[0]);
  return 0;
}
