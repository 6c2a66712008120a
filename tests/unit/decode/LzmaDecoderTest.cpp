#include <gtest/gtest.h>

#include <lzma.h>

#include <string>
#include <vector>

#include "decode/LzmaDecoder.h"
#include "fixtures/FatalExpect.h"
#include "fixtures/LzmaTestStream.h"
#include "fixtures/TestData.h"
#include "fixtures/TestStreams.h"

namespace {

const uint32_t kMiB = 1 << 20;

std::vector<uint8_t> Props(std::initializer_list<uint8_t> bytes) { return bytes; }

// Decodes stream to n bytes with the given property bytes, reading the output in pieces of at
// most `piece` bytes; returns what was read.
RecordingWriteStream DecodeLzma(const std::vector<uint8_t>& props,
                                const std::vector<uint8_t>& stream, uint32_t n,
                                uint32_t maxPerRead = UINT32_MAX, uint32_t piece = 1 << 16) {
  LzmaDecoder decoder;
  BytesReadStream properties(props);
  decoder.SetProperties(&properties);
  BytesReadStream in(stream, maxPerRead);
  return ReadPieces(decoder, {&in}, &n, piece);
}

// What liblzma produces from stream before it reports an error, decoding into one buffer of n
// bytes with a dictionary of n bytes (the stub's decoding before it read pieces).
std::vector<uint8_t> WholeBufferOutputBeforeFailure(const LzmaParams& p, const std::vector<uint8_t>& stream,
                                 uint32_t n) {
  lzma_options_lzma options{};
  options.dict_size = n;
  options.lc = p.lc;
  options.lp = p.lp;
  options.pb = p.pb;
  options.ext_size_low = n;
  lzma_filter filters[2] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  lzma_stream s = LZMA_STREAM_INIT;
  EXPECT_EQ(lzma_raw_decoder(&s, filters), LZMA_OK);
  std::vector<uint8_t> out(n);
  s.next_in = stream.data();
  s.avail_in = stream.size();
  s.next_out = out.data();
  s.avail_out = n;
  lzma_ret ret;
  while ((ret = lzma_code(&s, LZMA_RUN)) == LZMA_OK && s.avail_out != 0) {
  }
  out.resize(s.total_out);
  lzma_end(&s);
  EXPECT_NE(ret, LZMA_OK);
  return out;
}

TEST(LzmaDecoder, PropertyBytes) {
  struct Row {
    std::vector<uint8_t> bytes;
    const char* reason;  // "" when accepted
    uint32_t lc = 0, lp = 0, pb = 0, dictionarySize = 0, windowLimit = 0;
  } rows[] = {
      {Props({0x5D, 0x00, 0x00, 0x10, 0x00}), "", 3, 0, 2, kMiB, 3 * kMiB},
      {Props({0x5D, 0x00, 0x00, 0x80, 0x00}), "", 3, 0, 2, 8 * kMiB, 16 * kMiB},
      {Props({0x5D, 0x00, 0x00, 0x10, 0x00, 0xFF}), "", 3, 0, 2, kMiB, 3 * kMiB},
      {Props({0x5D, 0x00, 0x00, 0x00, 0x00}), "", 3, 0, 2, 0, 2 * kMiB},
      {Props({0x5D, 0x00, 0x00, 0x00, 0x10}), "", 3, 0, 2, 0x10000000, 0x20000000},
      {Props({0x04, 0x00, 0x10, 0x00, 0x00}), "", 4, 0, 0, 0x1000, 2 * kMiB + 0x1000},  // lc+lp = 4
      {Props({0x24, 0x00, 0x10, 0x00, 0x00}), "", 0, 4, 0, 0x1000, 2 * kMiB + 0x1000},  // lp 4
      {Props({0xB4, 0x00, 0x10, 0x00, 0x00}), "", 0, 0, 4, 0x1000, 2 * kMiB + 0x1000},  // pb 4
      {Props({0x5D, 0x01, 0x00, 0x00, 0x10}), "LZMA dictionary too large"},
      {Props({0xE1, 0x00, 0x00, 0x10, 0x00}), "LZMA pb above 4"},
      {Props({0xFF, 0x00, 0x00, 0x10, 0x00}), "LZMA pb above 4"},
      {Props({0xE0, 0x00, 0x00, 0x10, 0x00}), "LZMA lc + lp above 4"},
      {Props({0x05, 0x00, 0x00, 0x10, 0x00}), "LZMA lc + lp above 4"},  // lc 5
      {Props({0x25, 0x00, 0x00, 0x10, 0x00}), "LZMA lc + lp above 4"},  // lc 1, lp 4
      {Props({0x5D, 0x00, 0x00, 0x10}), "LZMA dictionary size missing"},
      {Props({0x5D}), "LZMA dictionary size missing"},
      {Props({}), "LZMA properties missing"},
  };
  for (const Row& row : rows) {
    LzmaDecoder decoder;
    BytesReadStream properties(row.bytes);
    std::string reason = FatalReasonOf([&] { decoder.SetProperties(&properties); });
    EXPECT_EQ(reason, row.reason) << testing::PrintToString(row.bytes);
    if (*row.reason) continue;
    EXPECT_EQ(decoder.Lc(), row.lc);
    EXPECT_EQ(decoder.Lp(), row.lp);
    EXPECT_EQ(decoder.Pb(), row.pb);
    EXPECT_EQ(decoder.DictionarySize(), row.dictionarySize);
    EXPECT_EQ(decoder.WindowLimit(), row.windowLimit);
  }
}

TEST(LzmaDecoder, DecodesExactlyTheUnpackSize) {
  std::vector<uint8_t> data = MixedTestData(300000, 7);
  const LzmaParams params[] = {{3, 0, 2, kMiB},   {0, 2, 0, 64 << 10}, {1, 3, 4, 4096},
                               {4, 0, 1, 0},      {2, 2, 3, 8 * kMiB}, {0, 0, 0, 16 << 10},
                               {3, 1, 0, 1 << 12}};
  for (const LzmaParams& p : params) {
    for (bool endMarker : {false, true}) {
      SCOPED_TRACE(testing::Message() << "lc " << p.lc << " lp " << p.lp << " pb " << p.pb
                                      << " dict " << p.dictionarySize << " marker " << endMarker);
      std::vector<uint8_t> stream = LzmaEncode(data, p, endMarker);
      RecordingWriteStream out = DecodeLzma(LzmaPropertyBytes(p), stream, uint32_t(data.size()));
      EXPECT_TRUE(out.all == data);
    }
  }
}

TEST(LzmaDecoder, StopsAtTheUnpackSizeAndTakesInputInAnyPieces) {
  std::vector<uint8_t> data = MixedTestData(50000, 3);
  LzmaParams p;
  std::vector<uint8_t> stream = LzmaEncode(data, p, true);
  // A prefix of the output: the coder never looks at what follows byte n.
  RecordingWriteStream prefix = DecodeLzma(LzmaPropertyBytes(p), stream, 12345);
  ASSERT_EQ(prefix.all.size(), 12345u);
  EXPECT_TRUE(std::equal(prefix.all.begin(), prefix.all.end(), data.begin()));
  RecordingWriteStream bytewise = DecodeLzma(LzmaPropertyBytes(p), stream, 50000, 1);
  EXPECT_TRUE(bytewise.all == data);
}

// Every piece size from 1 byte up gives the bytes of one whole read.
TEST(LzmaDecoder, PiecesOfEverySizeGiveTheWholeOutput) {
  std::vector<uint8_t> data = MixedTestData(20000, 21);
  std::vector<uint8_t> code = X86LikeCode(20000, 22);
  data.insert(data.end(), code.begin(), code.end());
  LzmaParams p{3, 0, 2, 1 << 16};
  std::vector<uint8_t> stream = LzmaEncode(data, p, false);
  const uint32_t n = uint32_t(data.size());
  RecordingWriteStream whole = DecodeLzma(LzmaPropertyBytes(p), stream, n, UINT32_MAX, n);
  ASSERT_TRUE(whole.all == data);
  std::vector<uint32_t> pieces;
  for (uint32_t piece = 1; piece <= 600; ++piece) pieces.push_back(piece);
  for (uint32_t piece : {4095u, 4096u, 65535u, 65536u, n - 1, n + 1}) pieces.push_back(piece);
  for (uint32_t piece : pieces) {
    RecordingWriteStream out = DecodeLzma(LzmaPropertyBytes(p), stream, n, UINT32_MAX, piece);
    ASSERT_TRUE(out.all == whole.all) << "piece " << piece;
    // Every read but the last is filled.
    for (size_t i = 0; i + 1 < out.writes.size(); ++i) ASSERT_EQ(out.writes[i], piece);
  }
}

// A corrupt stream fails where the whole-buffer decoding failed, whatever the piece size: the
// pieces read before the failure are the whole pieces of what that decoding produced.
TEST(LzmaDecoder, CorruptionIsMetAtTheSamePointInPiecesOfAnySize) {
  std::vector<uint8_t> data = MixedTestData(200000, 9);
  LzmaParams p;  // a dictionary larger than the data: the same dictionary as a whole buffer
  std::vector<uint8_t> stream = LzmaEncode(data, p, false);
  for (size_t i = stream.size() / 3; i < stream.size() / 3 + 16; ++i) stream[i] ^= 0x5A;
  const uint32_t n = uint32_t(data.size());
  const std::vector<uint8_t> before = WholeBufferOutputBeforeFailure(p, stream, n);
  const uint32_t failurePoint = uint32_t(before.size());
  ASSERT_GT(failurePoint, 0u);
  ASSERT_LT(failurePoint, n);
  for (uint32_t piece : {1u, 7u, 4096u, 65536u, n}) {
    LzmaDecoder decoder;
    BytesReadStream properties(LzmaPropertyBytes(p));
    decoder.SetProperties(&properties);
    BytesReadStream in(stream);
    RecordingWriteStream out;
    EXPECT_EQ(FatalReasonOf([&] { ReadPiecesInto(decoder, {&in}, &n, out, piece); }),
              "corrupt LZMA data");
    EXPECT_EQ(out.all.size(), failurePoint - failurePoint % piece) << "piece " << piece;
    EXPECT_TRUE(std::equal(out.all.begin(), out.all.end(), before.begin())) << "piece " << piece;
  }
}

TEST(LzmaDecoder, MatchesBeyondTheDeclaredDictionaryAreCorrupt) {
  // Encoded with a 2 MiB window but declared with 4 KiB: the dictionary is the declared one,
  // so the repeats far behind refer to bytes it no longer holds.
  std::vector<uint8_t> block = MixedTestData(600000, 11);
  std::vector<uint8_t> data = block;
  data.insert(data.end(), block.begin(), block.end());
  LzmaParams encoded{3, 0, 2, 2 * kMiB};
  std::vector<uint8_t> stream = LzmaEncode(data, encoded, false);
  ASSERT_LT(stream.size(), block.size());  // the second half really is one long reference
  LzmaParams declared{3, 0, 2, 4096};
  EXPECT_EQ(FatalReasonOf([&] {
              DecodeLzma(LzmaPropertyBytes(declared), stream, uint32_t(data.size()));
            }),
            "corrupt LZMA data");
  // Declared as what it is, the same stream decodes.
  EXPECT_TRUE(DecodeLzma(LzmaPropertyBytes(encoded), stream, uint32_t(data.size())).all == data);
}

TEST(LzmaDecoder, WindowLimitBoundary) {
  // 5D 00 00 10 00: 1 MiB dictionary, a window limit of 3 MiB.
  std::vector<uint8_t> props = {0x5D, 0x00, 0x00, 0x10, 0x00};
  LzmaParams p{3, 0, 2, kMiB};
  std::vector<uint8_t> three = MixedTestData(3 * kMiB, 5);
  RecordingWriteStream out = DecodeLzma(props, LzmaEncode(three, p, false), 3 * kMiB);
  EXPECT_TRUE(out.all == three);
  std::vector<uint8_t> four = MixedTestData(4 * kMiB, 5);
  std::vector<uint8_t> stream = LzmaEncode(four, p, false);
  RecordingWriteStream none;
  EXPECT_EQ(FatalReasonOf([&] { none = DecodeLzma(props, stream, 4 * kMiB); }),
            "LZMA output beyond window limit");
  EXPECT_EQ(FatalReasonOf([&] { none = DecodeLzma(props, stream, 3 * kMiB + 1); }),
            "LZMA output beyond window limit");
  EXPECT_TRUE(none.writes.empty());
}

TEST(LzmaDecoder, UnpackSizeZeroWritesNothingAndReadsNothing) {
  LzmaDecoder decoder;
  BytesReadStream properties({0x5D, 0x00, 0x00, 0x10, 0x00});
  decoder.SetProperties(&properties);
  BytesReadStream in({0x00, 0x41, 0x42});
  uint32_t zero = 0;
  RecordingWriteStream out = ReadPieces(decoder, {&in}, &zero);
  EXPECT_TRUE(out.writes.empty());
  EXPECT_EQ(in.Reads(), 0u);
}

TEST(LzmaDecoder, DataErrors) {
  std::vector<uint8_t> data = MixedTestData(200000, 9);
  LzmaParams p;
  std::vector<uint8_t> props = LzmaPropertyBytes(p);
  std::vector<uint8_t> plain = LzmaEncode(data, p, false);
  std::vector<uint8_t> marked = LzmaEncode(data, p, true);
  std::vector<uint8_t> firstByte = plain;
  firstByte[0] = 0x01;  // a range coder start byte other than 0
  std::vector<uint8_t> cut(plain.begin(), plain.begin() + plain.size() / 2);
  std::vector<uint8_t> lastByteMissing(plain.begin(), plain.end() - 1);
  const std::vector<uint8_t> none;
  struct Row {
    const char* name;
    const std::vector<uint8_t>& stream;
    uint32_t n;
  } rows[] = {
      {"end marker before the unpack size", marked, uint32_t(data.size()) + 1},
      {"nonzero first byte", firstByte, uint32_t(data.size())},
      // The input running out is damage, never zeros that decode on.
      {"cut in half", cut, uint32_t(data.size())},
      {"last byte missing", lastByteMissing, uint32_t(data.size())},
      {"no input", none, uint32_t(data.size())},
  };
  for (const Row& row : rows) {
    RecordingWriteStream out;
    EXPECT_EQ(FatalReasonOf([&] { out = DecodeLzma(props, row.stream, row.n); }),
              "corrupt LZMA data")
        << row.name;
    EXPECT_TRUE(std::equal(out.all.begin(), out.all.end(), data.begin())) << row.name;
  }
}

TEST(LzmaDecoder, MatchBeforeTheFirstByteIsCorrupt) {
  // A code value of all ones makes the first decision a match: it refers to nothing.
  std::vector<uint8_t> ones(64, 0xFF);
  ones[0] = 0x00;
  RecordingWriteStream out;
  EXPECT_EQ(FatalReasonOf([&] {
              out = DecodeLzma({0x5D, 0x00, 0x00, 0x10, 0x00}, ones, 100);
            }),
            "corrupt LZMA data");
  EXPECT_TRUE(out.writes.empty());
}

TEST(LzmaDecoder, Rejections) {
  std::vector<uint8_t> stream = LzmaEncode(MixedTestData(1000, 1), LzmaParams(), false);
  uint32_t n = 1000;
  EXPECT_EQ(FatalReasonOf([&] {
              LzmaDecoder decoder;
              BytesReadStream in(stream);
              ReadPieces(decoder, {&in}, &n);
            }),
            "LZMA coder without properties");
  EXPECT_EQ(FatalReasonOf([&] {
              LzmaDecoder decoder;
              BytesReadStream properties({0x5D, 0x00, 0x00, 0x10, 0x00});
              decoder.SetProperties(&properties);
              BytesReadStream in(stream);
              ReadPieces(decoder, {&in}, nullptr);
            }),
            "LZMA output size missing");
  EXPECT_EQ(FatalReasonOf([&] {
              LzmaDecoder decoder;
              BytesReadStream properties({0x5D, 0x00, 0x00, 0x10, 0x00});
              decoder.SetProperties(&properties);
              BytesReadStream in(stream);
              ReadPieces(decoder, {&in, &in}, &n);
            }),
            "LZMA stream counts");
}

}  // namespace
