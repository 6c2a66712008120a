#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "decode/Bcj2Decoder.h"
#include "fixtures/Bcj2Encode.h"
#include "fixtures/FatalExpect.h"
#include "fixtures/TestData.h"
#include "fixtures/TestStreams.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Bcj2Run {
  RecordingWriteStream out;
  size_t decisionBytesRead = 0;
};

// Decodes s, reading the output in pieces of at most `piece` bytes.
Bcj2Run DecodeBcj2(const Bcj2Streams& s, uint32_t mainPerRead = UINT32_MAX,
                   uint32_t piece = 1 << 16, const uint32_t* outSize = nullptr) {
  Bcj2Decoder decoder;
  BytesReadStream main(s.main, mainPerRead), call(s.call), jump(s.jump), rc(s.rc);
  Bcj2Run run;
  run.out = ReadPieces(decoder, {&main, &call, &jump, &rc}, outSize, piece);
  run.decisionBytesRead = rc.Position();
  return run;
}

TEST(Bcj2Decoder, WorkedExample) {
  // 16 plain bytes, then a converted CALL whose absolute target is 0x125: at outPos 17 the
  // displacement is 0x125 - 21 = 0x110.
  Bytes data(16, 0x41);
  data.insert(data.end(), {0xE8, 0x10, 0x01, 0x00, 0x00});
  Bcj2Streams s = Bcj2Encode(data);
  EXPECT_EQ(s.main, Bytes(data.begin(), data.begin() + 17));
  EXPECT_EQ(s.call, (Bytes{0x00, 0x00, 0x01, 0x25}));
  EXPECT_TRUE(s.jump.empty());
  EXPECT_EQ(DecodeBcj2(s).out.all, data);
}

TEST(Bcj2Decoder, TargetBelowTheNextOffsetWrapsAround) {
  Bcj2Streams s;
  s.main = {0xE8};
  s.call = {0x00, 0x00, 0x00, 0x00};
  // Decisions: the one candidate converted.
  s.rc = Bcj2Encode({0xE8, 1, 2, 3, 4}).rc;
  EXPECT_EQ(DecodeBcj2(s).out.all, (Bytes{0xE8, 0xFB, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Bcj2Encode({0xE8, 0xFB, 0xFF, 0xFF, 0xFF}).call, s.call);
}

TEST(Bcj2Decoder, JccAfterAConvertedTargetEndingIn0F) {
  // The converted CALL's displacement ends in 0F, so the 85 after it is a Jcc candidate.
  Bytes data = {0xE8, 0x00, 0x00, 0x00, 0x0F, 0x85, 0x01, 0x02, 0x03, 0x04};
  Bcj2Streams s = Bcj2Encode(data);
  EXPECT_EQ(s.main, (Bytes{0xE8, 0x85}));
  EXPECT_EQ(s.call, (Bytes{0x0F, 0x00, 0x00, 0x05}));
  EXPECT_EQ(s.jump, (Bytes{0x04, 0x03, 0x02, 0x0B}));
  EXPECT_EQ(DecodeBcj2(s).out.all, data);
}

TEST(Bcj2Decoder, CandidatesAndModels) {
  // E8 and E9 whatever precedes them; 0F 8x only; a candidate left alone becomes prev.
  Bytes data = {0x0F, 0x80, 1,    2, 3, 4, 0x0F, 0x7F, 0x0E, 0x85, 0xE9, 0xE8, 0xE8, 5, 6,   7,
                8,    0x0F, 0x8F, 9, 9, 9, 9,    0xE9, 0x0F, 0x81, 1,    1,    1,    1, 0xE8};
  for (uint32_t mask = 0; mask < 64; ++mask) {
    uint32_t k = 0;
    Bcj2Streams s = Bcj2Encode(data, [&](size_t) { return (mask >> (k++ % 6)) & 1; });
    EXPECT_EQ(DecodeBcj2(s).out.all, data) << mask;
  }
}

// Any input that runs out before the output is complete is damage: nothing stands in for it.
TEST(Bcj2Decoder, ShortInputsAreFatal) {
  Bytes data = X86LikeCode(5000, 4);
  data.insert(data.end(), {0x90, 0xE8, 1, 2, 3, 4, 0x90, 0xE9, 5, 6, 7, 8});
  const Bcj2Streams s = Bcj2Encode(data);
  const uint32_t n = uint32_t(data.size());
  ASSERT_EQ(DecodeBcj2(s, UINT32_MAX, 1 << 16, &n).out.all, data);
  struct Row {
    const char* name;
    Bytes Bcj2Streams::*input;
    size_t cut;  // bytes taken off its end
    const char* reason;
  } rows[] = {
      {"call", &Bcj2Streams::call, 1, "BCJ2 target stream short"},
      {"jump", &Bcj2Streams::jump, 3, "BCJ2 target stream short"},
      {"main", &Bcj2Streams::main, 1, "BCJ2 main stream short"},
      {"decisions, last byte", &Bcj2Streams::rc, 1, "BCJ2 decision stream short"},
      {"decisions, all", &Bcj2Streams::rc, s.rc.size(), "BCJ2 decision stream short"},
  };
  for (const Row& row : rows) {
    Bcj2Streams cut = s;
    (cut.*row.input).resize((cut.*row.input).size() - row.cut);
    EXPECT_EQ(FatalReasonOf([&] { DecodeBcj2(cut, UINT32_MAX, 1 << 16, &n); }), row.reason)
        << row.name;
  }
}

TEST(Bcj2Decoder, EmptyMainStillTakesFiveDecisionBytes) {
  Bcj2Streams s;
  s.rc = {1, 2, 3, 4, 5, 6, 7, 8};
  Bcj2Run run = DecodeBcj2(s);
  EXPECT_TRUE(run.out.writes.empty());
  EXPECT_EQ(run.decisionBytesRead, 5u);
}

TEST(Bcj2Decoder, RoundTripsCodeAndAdversarialBytes) {
  std::mt19937 rng(1234);
  std::vector<Bytes> inputs;
  for (size_t size : {0, 1, 4, 5, 65535, 65536, 65537, 65540, 200000}) {
    inputs.push_back(X86LikeCode(size, uint32_t(size)));
  }
  // Bytes drawn mostly from the candidates and the bytes around them, so E8/E9/0F 8x occur at
  // every position, also inside targets and across block ends, with targets that wrap.
  static const uint8_t kAlphabet[] = {0xE8, 0xE9, 0x0F, 0x80, 0x8F, 0x85, 0x00, 0xFF, 0x7F};
  for (int i = 0; i < 40; ++i) {
    Bytes b(1 + rng() % 140000);
    for (uint8_t& x : b) x = rng() % 4 ? kAlphabet[rng() % 9] : uint8_t(rng());
    inputs.push_back(b);
  }
  for (size_t i = 0; i < inputs.size(); ++i) {
    const Bytes& data = inputs[i];
    uint32_t policy = i % 3;  // all converted, none, random
    Bcj2Streams s =
        Bcj2Encode(data, [&](size_t) { return policy == 0 || (policy == 2 && rng() % 2); });
    const Bcj2Run run = DecodeBcj2(s);
    ASSERT_EQ(run.out.all, data) << "input " << i;
    // The decoder takes exactly the bytes the encoder's flush ends with, never one more.
    ASSERT_EQ(run.decisionBytesRead, s.rc.size()) << "input " << i;
    ASSERT_EQ(DecodeBcj2(s, 1 + i % 7).out.all, data) << "input " << i << " in pieces";
  }
}

// Every piece size from 1 byte up gives the bytes of one whole read, on real x86 code (a
// system DLL where one is installed) and on adversarial bytes, with targets split across
// pieces at every offset.
TEST(Bcj2Decoder, PiecesOfEverySizeGiveTheWholeOutput) {
  Bytes real = SystemPeFile(60000);
  if (real.size() < 60000) real = X86LikeCode(60000, 31);
  real.resize(60000);
  std::mt19937 rng(5);
  Bytes adversarial(20000);
  for (uint8_t& x : adversarial) x = rng() % 2 ? uint8_t(0xE8 + rng() % 2) : uint8_t(rng());
  for (const Bytes* data : {&real, &adversarial}) {
    Bcj2Streams s = Bcj2Encode(*data);
    const uint32_t n = uint32_t(data->size());
    ASSERT_EQ(DecodeBcj2(s, UINT32_MAX, n + 1).out.all, *data);
    std::vector<uint32_t> pieces;
    for (uint32_t piece = 1; piece <= 300; ++piece) pieces.push_back(piece);
    for (uint32_t piece : {4095u, 4096u, 65535u, 65536u, n - 1, n}) pieces.push_back(piece);
    for (uint32_t piece : pieces) {
      Bcj2Run run = DecodeBcj2(s, 1 + piece % 5000, piece);
      ASSERT_EQ(run.out.all, *data) << "piece " << piece;
      for (size_t i = 0; i + 1 < run.out.writes.size(); ++i) ASSERT_EQ(run.out.writes[i], piece);
    }
  }
}

TEST(Bcj2Decoder, ArbitraryStreamsNeverOverrun) {
  std::mt19937 rng(99);
  for (int i = 0; i < 200; ++i) {
    Bcj2Streams s;
    auto fill = [&](Bytes& b, size_t n) {
      b.resize(n);
      for (uint8_t& x : b) x = rng() % 3 ? uint8_t(0xE8 + rng() % 2) : uint8_t(rng());
    };
    fill(s.main, rng() % 3000);
    fill(s.call, rng() % 400);
    fill(s.jump, rng() % 400);
    fill(s.rc, rng() % 64);
    Bcj2Run run;
    RunEnd end = RunUntilExit([&] { run = DecodeBcj2(s); });
    if (end.exited) {
      EXPECT_TRUE(end.reason == "BCJ2 target stream short" ||
                  end.reason == "BCJ2 decision stream short")
          << end.reason;
    } else {
      EXPECT_GE(run.out.all.size(), s.main.size());
      EXPECT_LE(run.out.all.size(), s.main.size() * 5);
    }
  }
}

TEST(Bcj2Decoder, EachDecodeStartsFresh) {
  Bytes data = X86LikeCode(30000, 8);
  Bcj2Streams s = Bcj2Encode(data);
  Bcj2Decoder decoder;
  for (int round = 0; round < 2; ++round) {
    BytesReadStream main(s.main), call(s.call), jump(s.jump), rc(s.rc);
    EXPECT_EQ(ReadPieces(decoder, {&main, &call, &jump, &rc}, nullptr).all, data) << round;
  }
}

TEST(Bcj2Decoder, Rejections) {
  Bcj2Decoder decoder;
  BytesReadStream a({}), b({}), c({}), d({});
  EXPECT_EQ(FatalReasonOf([&] { ReadPieces(decoder, {&a, &b, &c}, nullptr); }),
            "BCJ2 stream counts");
  EXPECT_EQ(FatalReasonOf([&] { ReadPieces(decoder, {&a, &b, &c, &d, &d}, nullptr); }),
            "BCJ2 stream counts");
  EXPECT_EQ(a.Reads() + d.Reads(), 0u);
  EXPECT_EQ(FatalReasonOf([&] { decoder.SetProperties(&a); }), "BCJ2 coder given properties");
}

}  // namespace
