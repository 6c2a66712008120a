// Bcj2Decoder output throughput on x86 code (a system PE file if one is found, else generated
// x86-like code), streams held in memory.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "decode/Bcj2Decoder.h"
#include "decode/CoderMixer.h"
#include "fixtures/Bcj2Encode.h"
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

double Measure(const std::vector<uint8_t>& code, const char* what) {
  Bcj2Streams s = Bcj2Encode(code);
  double best = 1e9;
  std::vector<uint8_t> output(code.size() + 1, 0);
  for (int round = 0; round < 5; ++round) {
    MemoryReader main(s.main), call(s.call), jump(s.jump), rc(s.rc);
    ReadStream* ins[] = {&main, &call, &jump, &rc};
    Bcj2Decoder decoder;
    // Read in the folder's pieces into a buffer whose pages are already touched, so page
    // faults are not timed.
    size_t count = 0;
    auto start = std::chrono::steady_clock::now();
    decoder.Start(ins, nullptr, 4, nullptr);
    for (uint32_t got; (got = decoder.Read(output.data() + count,
                                           uint32_t(std::min<size_t>(CoderMixer::kPieceSize,
                                                                     output.size() - count)))) != 0;)
      count += got;
    best = std::min(
        best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (count != code.size() || std::memcmp(output.data(), code.data(), code.size()) != 0) {
      return std::puts("mismatch"), -1;
    }
  }
  double rate = code.size() / 1e6 / best;
  std::printf("%s: %zu bytes, %zu targets: %.0f MB/s\n", what, code.size(),
              (s.call.size() + s.jump.size()) / 4, rate);
  return rate;
}

}  // namespace

int main() {
  std::vector<uint8_t> pe = SystemPeFile(64u << 20);
  if (!pe.empty()) Measure(pe, "system PE file");
  Measure(X86LikeCode(64u << 20, 77), "generated x86-like code");
  return 0;
}
