// stubpack's BCJ2 encoder against the stub's BCJ2 decoder: whatever the encoder chose to
// convert, the decoder must give back the input byte for byte.
#include <gtest/gtest.h>

#include <random>

#include "bcj2/Bcj2Encoder.h"
#include "decode/Bcj2Decoder.h"
#include "fixtures/FatalExpect.h"
#include "fixtures/TestStreams.h"

namespace {

std::vector<uint8_t> Decode(const Bcj2Streams& s) {
  BytesReadStream main(s.main, 3000), call(s.call, 7), jump(s.jump), rc(s.rc, 1);
  RecordingWriteStream out;
  Bcj2Decoder decoder;
  RunEnd end = RunUntilExit([&] { out = ReadPieces(decoder, {&main, &call, &jump, &rc}, nullptr); });
  EXPECT_FALSE(end.exited) << end.reason;
  return out.all;
}

using Policy = std::function<bool(uint32_t, uint32_t)>;

struct NamedPolicy {
  const char* name;
  Policy policy;
};

std::vector<NamedPolicy> Policies() {
  auto coin = std::make_shared<std::mt19937>(7);
  return {
      {"always", [](uint32_t, uint32_t) { return true; }},
      {"never", [](uint32_t, uint32_t) { return false; }},
      {"random", [coin](uint32_t, uint32_t) { return ((*coin)() & 1) != 0; }},
      {"near targets", [](uint32_t, uint32_t rel) { return rel + 0x10000u < 0x20000u; }},
  };
}

void ExpectAgreement(const std::vector<uint8_t>& data, const std::string& what) {
  for (const NamedPolicy& p : Policies()) {
    Bcj2Streams streams = Bcj2Encoder::Encode(data.data(), data.size(), p.policy);
    std::vector<uint8_t> decoded = Decode(streams);
    ASSERT_EQ(decoded.size(), data.size()) << what << ", " << p.name;
    EXPECT_TRUE(decoded == data) << what << ", " << p.name;
  }
}

std::vector<uint8_t> RandomData(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> data(size);
  for (uint8_t& b : data) b = uint8_t(rng());
  return data;
}

TEST(Bcj2Agreement, RandomStreams) {
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    const size_t size = size_t(seed) * 40000 + seed;  // crosses the decoder's 64 KiB blocks
    ExpectAgreement(RandomData(size, seed), "seed " + std::to_string(seed));
  }
}

TEST(Bcj2Agreement, RandomStreamsRichInBranchOpcodes) {
  std::mt19937 rng(11);
  std::vector<uint8_t> data(150000);
  const uint8_t opcodes[] = {0xE8, 0xE9, 0x0F, 0x80, 0x8F, 0x85, 0x00, 0xFF};
  for (uint8_t& b : data) b = rng() % 3 ? opcodes[rng() % 8] : uint8_t(rng());
  ExpectAgreement(data, "branch-rich");
}

TEST(Bcj2Agreement, OpcodeAtEveryPositionNearTheEnd) {
  // Each opcode at each of the last positions, so operands run into the end of the stream.
  const std::vector<std::vector<uint8_t>> opcodes = {{0xE8}, {0xE9}, {0x0F, 0x80}, {0x0F, 0x8F}};
  for (const auto& op : opcodes) {
    for (size_t size = 1; size <= 12; ++size) {
      for (size_t at = 0; at + op.size() <= size; ++at) {
        std::vector<uint8_t> data(size, 0x90);
        std::copy(op.begin(), op.end(), data.begin() + long(at));
        ExpectAgreement(data, "opcode " + std::to_string(op[0]) + " at " + std::to_string(at) +
                                  " of " + std::to_string(size));
      }
    }
  }
}

TEST(Bcj2Agreement, StreamsMadeOfOneOpcode) {
  for (uint8_t b : {0xE8, 0xE9, 0x0F, 0x80, 0x8F}) {
    ExpectAgreement(std::vector<uint8_t>(70000, b), "all " + std::to_string(b));
  }
  std::vector<uint8_t> pairs;
  for (int i = 0; i < 40000; ++i) pairs.insert(pairs.end(), {0x0F, uint8_t(0x80 + i % 16)});
  ExpectAgreement(pairs, "0F 8x pairs");
}

TEST(Bcj2Agreement, TargetsThatWrapAround) {
  // Displacements that carry the absolute target past 2^32 or below 0, at both ends of a
  // stream longer than one block.
  std::vector<uint8_t> data(140000, 0x90);
  const uint32_t displacements[] = {0xFFFFFFFFu, 0xFFFFFFFBu, 0x80000000u, 0x7FFFFFFFu,
                                    0u,          0xFFFF0000u, 0x00010000u};
  size_t at = 0;
  for (size_t base : {size_t(0), size_t(65530), size_t(140000 - 40)}) {
    at = base;
    for (uint32_t d : displacements) {
      for (uint8_t op : {0xE8, 0xE9}) {
        data[at] = op;
        for (int k = 0; k < 4; ++k) data[at + 1 + size_t(k)] = uint8_t(d >> (8 * k));
        at += 5;
        if (at + 5 > data.size()) break;
      }
      if (at + 5 > data.size()) break;
    }
  }
  ExpectAgreement(data, "wrapping targets");
}

TEST(Bcj2Agreement, ImagePolicyOnCodeLikeData) {
  std::mt19937 rng(5);
  std::vector<uint8_t> data(100000);
  for (size_t i = 0; i < data.size(); ++i) {
    if (rng() % 7 == 0 && i + 5 <= data.size()) {
      data[i] = 0xE8;
      const uint32_t rel = uint32_t(int32_t(rng() % 20000) - 10000);
      for (int k = 0; k < 4; ++k) data[i + 1 + size_t(k)] = uint8_t(rel >> (8 * k));
      i += 4;
    } else {
      data[i] = uint8_t(rng());
    }
  }
  Bcj2ImagePolicy policy({{0, data.size(), data.size(), {}}});
  Bcj2Streams streams = Bcj2Encoder::Encode(
      data.data(), data.size(), [&](uint32_t pos, uint32_t rel) { return policy(pos, rel); });
  EXPECT_FALSE(streams.call.empty());  // the policy did convert calls
  EXPECT_TRUE(Decode(streams) == data);
}

}  // namespace
