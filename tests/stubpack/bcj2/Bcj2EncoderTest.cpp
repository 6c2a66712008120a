// The BCJ2 encoder against a small decoder written here from the decoder's rules: every
// split must merge back to the input, whatever was converted.
#include "bcj2/Bcj2Encoder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "fixtures/CaseName.h"
#include "stubpack/TestFiles.h"

namespace {

class ReferenceDecoder {
 public:
  explicit ReferenceDecoder(const Bcj2Streams& s) : s_(s) {}

  std::vector<uint8_t> Run() {
    for (int i = 0; i < 5; ++i) code_ = (code_ << 8) | RcByte();
    std::vector<uint16_t> e8(256, 1024);
    uint16_t e9 = 1024, jcc = 1024;
    std::vector<uint8_t> out;
    uint8_t prev = 0;
    for (size_t m = 0; m < s_.main.size(); ++m) {
      const uint8_t b = s_.main[m];
      out.push_back(b);
      uint16_t* model;
      if (b == 0xE8) {
        model = &e8[prev];
      } else if (b == 0xE9) {
        model = &e9;
      } else if (prev == 0x0F && (b & 0xF0) == 0x80) {
        model = &jcc;
      } else {
        prev = b;
        continue;
      }
      if (DecodeBit(*model) == 0) {
        prev = b;
        continue;
      }
      const std::vector<uint8_t>& src = b == 0xE8 ? s_.call : s_.jump;
      size_t& at = b == 0xE8 ? callAt_ : jumpAt_;
      if (src.size() - at < 4) throw std::runtime_error("target stream short");
      const uint32_t absolute = (uint32_t{src[at]} << 24) | (src[at + 1] << 16) |
                                (src[at + 2] << 8) | src[at + 3];
      at += 4;
      const uint32_t dest = absolute - static_cast<uint32_t>(out.size() + 4);
      for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(dest >> (8 * i)));
      prev = static_cast<uint8_t>(dest >> 24);
    }
    return out;
  }

 private:
  uint8_t RcByte() { return rcAt_ < s_.rc.size() ? s_.rc[rcAt_++] : 0; }
  int DecodeBit(uint16_t& prob) {
    const uint32_t bound = (range_ >> 11) * prob;
    int bit;
    if (code_ < bound) {
      range_ = bound;
      prob += (2048 - prob) >> 5;
      bit = 0;
    } else {
      range_ -= bound;
      code_ -= bound;
      prob -= prob >> 5;
      bit = 1;
    }
    if (range_ < (1u << 24)) {
      range_ <<= 8;
      code_ = (code_ << 8) | RcByte();
    }
    return bit;
  }

  const Bcj2Streams& s_;
  uint32_t range_ = 0xFFFFFFFF, code_ = 0;
  size_t rcAt_ = 0, callAt_ = 0, jumpAt_ = 0;
};

std::vector<uint8_t> RoundTrip(const std::vector<uint8_t>& data,
                               const Bcj2Encoder::Decision& decide) {
  return ReferenceDecoder(Bcj2Encoder::Encode(data.data(), data.size(), decide)).Run();
}

// Data dense in branch candidates: E8, E9, 0F 8x, and operands that are themselves 0F/E8.
std::vector<uint8_t> CandidateSoup(size_t size, uint32_t seed) {
  static const uint8_t kBytes[] = {0xE8, 0xE9, 0x0F, 0x80, 0x85, 0x8F, 0x00, 0xFF, 0x12};
  std::mt19937 rng(seed);
  std::vector<uint8_t> data(size);
  for (uint8_t& b : data) b = rng() % 3 == 0 ? static_cast<uint8_t>(rng()) : kBytes[rng() % 9];
  return data;
}

struct DecisionCase {
  const char* name;
  std::function<Bcj2Encoder::Decision()> make;
};
void PrintTo(const DecisionCase& row, std::ostream* out) { *out << row.name; }

class Bcj2DecisionTest : public ::testing::TestWithParam<DecisionCase> {};

TEST_P(Bcj2DecisionTest, MergesBackToTheInputForAnyDecisions) {
  for (size_t size : {0, 1, 4, 5, 6, 7, 100, 70000}) {
    for (uint32_t seed = 1; seed <= 3; ++seed) {
      const std::vector<uint8_t> data = CandidateSoup(size, seed);
      ASSERT_EQ(RoundTrip(data, GetParam().make()), data) << "size " << size << " seed " << seed;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Decisions, Bcj2DecisionTest,
    ::testing::Values(
        DecisionCase{"Never", [] { return [](uint32_t, uint32_t) { return false; }; }},
        DecisionCase{"Always", [] { return [](uint32_t, uint32_t) { return true; }; }},
        DecisionCase{"Random",
                     [] {
                       auto rng = std::make_shared<std::mt19937>(7);
                       return [rng](uint32_t, uint32_t) { return (*rng)() % 2 == 0; };
                     }},
        DecisionCase{"ImagePolicy",
                     [] { return Bcj2ImagePolicy({{0, 30000, 30000, {}}, {30000, 40000, 50000, {}}}); }}),
    CaseName());

TEST(Bcj2Encoder, StoresTheTargetBigEndianAsTheDecoderExpects) {
  // The decoder's worked example: after 16 bytes, E8 with displacement 0x110 at output
  // position 17 carries the absolute target 0x125.
  std::vector<uint8_t> data(16, 0x90);
  data.insert(data.end(), {0xE8, 0x10, 0x01, 0x00, 0x00});
  const Bcj2Streams s =
      Bcj2Encoder::Encode(data.data(), data.size(), [](uint32_t, uint32_t) { return true; });
  EXPECT_EQ(s.call, (std::vector<uint8_t>{0x00, 0x00, 0x01, 0x25}));
  EXPECT_TRUE(s.jump.empty());
  EXPECT_EQ(s.main.size(), 17u);
  EXPECT_EQ(ReferenceDecoder(s).Run(), data);
}

TEST(Bcj2Encoder, RoutesJumpsAndConditionalJumpsToTheJumpStream) {
  const std::vector<uint8_t> data = {0xE9, 1, 0, 0, 0, 0x0F, 0x84, 2, 0, 0, 0, 0x90};
  const Bcj2Streams s =
      Bcj2Encoder::Encode(data.data(), data.size(), [](uint32_t, uint32_t) { return true; });
  EXPECT_TRUE(s.call.empty());
  // E9 at 0: field at 1, target 1 + 4 + 1 = 6; 0F 84 at 5: field at 7, target 7 + 4 + 2 = 13.
  EXPECT_EQ(s.jump, (std::vector<uint8_t>{0, 0, 0, 6, 0, 0, 0, 13}));
  EXPECT_EQ(s.main, (std::vector<uint8_t>{0xE9, 0x0F, 0x84, 0x90}));
}

TEST(Bcj2Encoder, NeverConvertsAnOperandCutByTheEndOfTheData) {
  const std::vector<uint8_t> data = {0x90, 0xE8, 1, 2, 3};
  bool asked = false;
  const Bcj2Streams s = Bcj2Encoder::Encode(data.data(), data.size(), [&](uint32_t, uint32_t) {
    asked = true;
    return true;
  });
  EXPECT_FALSE(asked);
  EXPECT_EQ(s.main, data);
  EXPECT_EQ(ReferenceDecoder(s).Run(), data);
}

TEST(Bcj2ImagePolicy, ConvertsTargetsInsideTheImageOnly) {
  Bcj2ImagePolicy policy({{100, 1000, 4096, {}}, {1100, 50, 50, {}}});
  EXPECT_TRUE(policy(200, 10));                          // 104 + 10 lands inside
  EXPECT_FALSE(policy(200, 4096 - 104));                 // just past the image
  EXPECT_TRUE(policy(300, static_cast<uint32_t>(-200)));  // backwards, still inside
  EXPECT_FALSE(policy(300, static_cast<uint32_t>(-300)));  // before the image start
  EXPECT_FALSE(policy(1098, 0));                         // operand straddles two files
  EXPECT_TRUE(policy(1110, 0));
}

TEST(Bcj2ImagePolicy, UsesLoadAddressesInsideCodeSectionsOnly) {
  // A file at stream offset 1000 whose code lies at file offset 0x400 and loads at 0x1000.
  Bcj2ImagePolicy policy({{1000, 0x2000, 0x3000, {{0x400, 0x800, 0x1000}}}});
  EXPECT_FALSE(policy(1000 + 0x100, 0));  // header, not code
  // Operand at 0x500 loads at 0x1100; the next instruction at 0x1104.
  EXPECT_TRUE(policy(1000 + 0x500, 0x3000 - 0x1104 - 1));
  EXPECT_FALSE(policy(1000 + 0x500, 0x3000 - 0x1104));
  EXPECT_TRUE(policy(1000 + 0x600, static_cast<uint32_t>(-0x1000)));  // back to 0x204
  EXPECT_FALSE(policy(1000 + 0xBFE, 0));  // straddles the section end
  EXPECT_FALSE(policy(1000 + 0xC00, 0));  // data after the code
}

TEST(Bcj2Encoder, RealX86CodeRoundTripsAndShrinks) {
  const std::vector<std::string> dlls = SmallMingwDlls();
  if (dlls.empty()) GTEST_SKIP() << "no i686 mingw-w64 DLLs installed";
  std::ifstream in(dlls[0], std::ios::binary);
  const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  const Bcj2Streams s = Bcj2Encoder::Encode(data.data(), data.size(),
                                            Bcj2ImagePolicy({{0, data.size(), data.size(), {}}}));
  EXPECT_EQ(ReferenceDecoder(s).Run(), data);
  EXPECT_GT(s.call.size(), 1000u) << "real code has many converted calls";
  EXPECT_EQ(s.main.size() + s.call.size() + s.jump.size(), data.size());
}

}  // namespace
