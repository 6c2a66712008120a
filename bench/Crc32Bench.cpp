// CRC-32 throughput: the stub's table-driven Crc32 against lzma_crc32 of the liblzma this
// program is linked with (the host's full build; stub.exe links a size-optimised one).
#include <lzma.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "support/Crc32.h"

namespace {

template <class F>
double MegabytesPerSecond(const std::vector<uint8_t>& data, F crc, uint32_t& result) {
  double best = 1e9;
  for (int round = 0; round < 5; ++round) {
    auto start = std::chrono::steady_clock::now();
    result = crc(data.data(), data.size());
    best = std::min(
        best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return data.size() / 1e6 / best;
}

}  // namespace

int main() {
  std::vector<uint8_t> data(64u << 20);
  uint32_t x = 1;
  for (uint8_t& b : data) b = uint8_t((x = x * 1103515245 + 12345) >> 24);
  uint32_t ours = 0, theirs = 0;
  double a = MegabytesPerSecond(data, [](const uint8_t* p, size_t n) { return Crc32(p, n, 0); },
                                ours);
  double b = MegabytesPerSecond(
      data, [](const uint8_t* p, size_t n) { return lzma_crc32(p, n, 0); }, theirs);
  std::printf("Crc32: %.0f MB/s\nlzma_crc32: %.0f MB/s\n%s\n", a, b,
              ours == theirs ? "same digest" : "DIGESTS DIFFER");
  return ours == theirs ? 0 : 1;
}
