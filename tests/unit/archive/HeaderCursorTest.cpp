#include <gtest/gtest.h>

#include "archive/HeaderCursor.h"
#include "archive/ReaderSwitch.h"
#include "fixtures/CaseName.h"
#include "fixtures/FatalExpect.h"
#include "fixtures/HeaderBuilder.h"

using fixture::Bytes;

namespace {

class HeaderCursorTest : public ::testing::Test {
 protected:
  HeaderCursor& Over(const Bytes& bytes) {
    buffer_ = bytes;
    cursor_.PushBuffer(buffer_.data(), uint32_t(buffer_.size()));
    return cursor_;
  }
  Bytes buffer_;
  HeaderCursor cursor_{nullptr};
};

struct NumberCase {
  const char* name;
  Bytes bytes;
  uint64_t value;
};
void PrintTo(const NumberCase& row, std::ostream* out) { *out << row.name; }

class ReadNumberForms : public HeaderCursorTest,
                        public ::testing::WithParamInterface<NumberCase> {};

TEST_P(ReadNumberForms, DecodesAndConsumesExactly) {
  Bytes bytes = GetParam().bytes;
  bytes.push_back(0x5A);  // the byte after the number must be the next one read
  HeaderCursor& p = Over(bytes);
  EXPECT_EQ(p.ReadNumber(), GetParam().value);
  EXPECT_EQ(p.ReadByte(), 0x5A);
}

INSTANTIATE_TEST_SUITE_P(
    AllNineForms, ReadNumberForms,
    ::testing::Values(NumberCase{"OneByteZero", {0x00}, 0},
                      NumberCase{"OneByteLargest", {0x7F}, 127},
                      NumberCase{"TwoBytesSmallest", {0x80, 0x80}, 128},
                      NumberCase{"TwoBytes", {0x80, 0xCA}, 202},
                      NumberCase{"TwoBytesLargest", {0xBF, 0xFF}, 0x3FFF},
                      NumberCase{"ThreeBytes", {0xCA, 0x55, 0x48}, 673877},
                      NumberCase{"FourBytes", {0xE1, 0x02, 0x03, 0x04}, 0x01040302},
                      NumberCase{"FiveBytes", {0xF7, 1, 2, 3, 4}, 0x0704030201ull},
                      NumberCase{"SixBytes", {0xFB, 1, 2, 3, 4, 5}, 0x030504030201ull},
                      NumberCase{"SevenBytes", {0xFD, 1, 2, 3, 4, 5, 6}, 0x01060504030201ull},
                      NumberCase{"EightBytes", {0xFE, 1, 2, 3, 4, 5, 6, 7}, 0x07060504030201ull},
                      NumberCase{"NineBytes", {0xFF, 1, 2, 3, 4, 5, 6, 7, 0x88},
                                 0x8807060504030201ull}),
    CaseName());

TEST_F(HeaderCursorTest, BuilderNumbersRoundTrip) {
  for (uint64_t v : {0ull, 127ull, 128ull, 16383ull, 16384ull, 1ull << 35, 1ull << 56, ~0ull}) {
    for (int extra = 0; extra <= 8; ++extra) {
      int bits = extra == 8 ? 64 : 8 * extra + 7 - extra;
      if (bits < 64 && v >= (1ull << bits)) continue;
      HeaderCursor p(nullptr);
      Bytes b = fixture::NumberForm(v, extra);
      ASSERT_EQ(b.size(), size_t(extra + 1));
      p.PushBuffer(b.data(), uint32_t(b.size()));
      EXPECT_EQ(p.ReadNumber(), v) << "extra " << extra;
    }
  }
}

struct FatalCase {
  const char* name;
  Bytes bytes;
  std::function<void(HeaderCursor&)> read;
  std::string reason;
};
void PrintTo(const FatalCase& row, std::ostream* out) { *out << row.name; }

class CursorReadFails : public HeaderCursorTest,
                        public ::testing::WithParamInterface<FatalCase> {};

TEST_P(CursorReadFails, EndsTheRunForItsReason) {
  HeaderCursor& p = Over(GetParam().bytes);
  EXPECT_EQ(FatalReasonOf([&] { GetParam().read(p); }), GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CursorReadFails,
    ::testing::Values(
        FatalCase{"ByteAtEnd", {}, [](HeaderCursor& p) { p.ReadByte(); }, "header truncated"},
        FatalCase{"NumberMissingExtra",
                  {0xC0},
                  [](HeaderCursor& p) { p.ReadNumber(); },
                  "header truncated"},
        FatalCase{"Number64MissingBytes",
                  {0xFF, 1, 2},
                  [](HeaderCursor& p) { p.ReadNumber(); },
                  "header truncated"},
        FatalCase{"Number32Overflow",
                  {0xF1, 0, 0, 0, 0},
                  [](HeaderCursor& p) { p.ReadNumber32(); },
                  "number beyond 32 bits"},
        FatalCase{
            "WideCharHalf", {0x41}, [](HeaderCursor& p) { p.ReadWideChar(); }, "header truncated"},
        FatalCase{
            "UInt32Short", {1, 2, 3}, [](HeaderCursor& p) { p.ReadUInt32(); }, "header truncated"},
        FatalCase{"SkipDataPastEnd",
                  {0x05, 1, 2, 3, 4},
                  [](HeaderCursor& p) { p.SkipData(); },
                  "header truncated"},
        FatalCase{"WaitMeetsEnd",
                  {0x0A, 0x01, 0xAA, 0x00},
                  [](HeaderCursor& p) { p.SkipToProperty(0x09); },
                  "missing property"},
        FatalCase{"BitVectorBeyondBuffer",
                  {0xFF},
                  [](HeaderCursor& p) {
                    ItemVector<bool> v;
                    p.ReadBitVector(9, v);
                  },
                  "bit vector beyond header"},
        FatalCase{"DigestCountBeyondBuffer",
                  {0x00, 0xFF},
                  [](HeaderCursor& p) {
                    ItemVector<bool> d;
                    ItemVector<uint32_t> v;
                    p.ReadDigests(1000000, d, v);
                  },
                  "digest count beyond header"},
        FatalCase{"AllDefinedDigestsShort",
                  {0x01, 1, 2, 3, 4, 5, 6, 7},
                  [](HeaderCursor& p) {
                    ItemVector<bool> d;
                    ItemVector<uint32_t> v;
                    p.ReadDigests(2, d, v);
                  },
                  "digest count beyond header"},
        FatalCase{"EmptyStack",
                  {},
                  [](HeaderCursor& p) {
                    p.PopBuffer();
                    p.ReadByte();
                  },
                  "no header buffer"}),
    CaseName());

TEST_F(HeaderCursorTest, SkipToPropertySkipsOtherProperties) {
  HeaderCursor& p = Over({0x0A, 0x02, 0xEE, 0xEE, 0x09, 0x33});
  p.SkipToProperty(0x09);
  EXPECT_EQ(p.ReadByte(), 0x33);
}

TEST_F(HeaderCursorTest, BitVectorTakesMostSignificantBitFirst) {
  HeaderCursor& p = Over({0xA0, 0x80, 0x77});
  ItemVector<bool> v;
  p.ReadBitVector(9, v);
  ASSERT_EQ(v.Count(), 9u);
  bool expected[9] = {true, false, true, false, false, false, false, false, true};
  for (uint32_t i = 0; i < 9; ++i) EXPECT_EQ(v[i], expected[i]) << i;
  EXPECT_EQ(p.ReadByte(), 0x77);  // two bytes consumed
  p.ReadBitVector(0, v);
  EXPECT_EQ(v.Count(), 0u);
}

TEST_F(HeaderCursorTest, DefinedVectorAllDefinedByteAnyNonZero) {
  HeaderCursor& p = Over({0x02, 0x00, 0x40, 0x11});
  ItemVector<bool> v;
  p.ReadDefinedVector(3, v);
  ASSERT_EQ(v.Count(), 3u);
  EXPECT_TRUE(v[0] && v[1] && v[2]);
  p.ReadDefinedVector(3, v);
  EXPECT_FALSE(v[0]);
  EXPECT_TRUE(v[1]);
  EXPECT_FALSE(v[2]);
  EXPECT_EQ(p.ReadByte(), 0x11);
}

TEST_F(HeaderCursorTest, DigestsReadOnlyDefinedValues) {
  HeaderCursor& p = Over(fixture::ByteBuilder{0x00, 0xA0}.U32(0x11223344).U32(5).U8(0x99).bytes());
  ItemVector<bool> defined;
  ItemVector<uint32_t> values;
  p.ReadDigests(3, defined, values);
  ASSERT_EQ(values.Count(), 3u);
  EXPECT_TRUE(defined[0]);
  EXPECT_FALSE(defined[1]);
  EXPECT_TRUE(defined[2]);
  EXPECT_EQ(values[0], 0x11223344u);
  EXPECT_EQ(values[2], 5u);
  EXPECT_EQ(p.ReadByte(), 0x99);
}

TEST_F(HeaderCursorTest, LittleEndianIntegersAndWideChars) {
  HeaderCursor& p = Over({0x01, 0x02, 0x03, 0x04, 1, 2, 3, 4, 5, 6, 7, 8, 0x41, 0x04});
  EXPECT_EQ(p.ReadUInt32(), 0x04030201u);
  EXPECT_EQ(p.ReadUInt64(), 0x0807060504030201ull);
  EXPECT_EQ(p.ReadWideChar(), 0x0441);
}

class ReaderSwitchTest : public HeaderCursorTest {
 protected:
  void SetUp() override {
    MemoryStream a, b;
    a.Write("\x61\x62", 2);
    b.Write("\x71", 1);
    data_.Add(a);
    data_.Add(b);
  }
  DataVector data_;
};

TEST_F(ReaderSwitchTest, ExternalZeroStaysInTheBuffer) {
  HeaderCursor& p = Over({0x00, 0x42});
  ReaderSwitch s;
  s.SetFromExternal(p, &data_);
  EXPECT_FALSE(s.Active);
  s.Release();
  EXPECT_EQ(p.ReadByte(), 0x42);
}

TEST_F(ReaderSwitchTest, SwitchesInAndBackOut) {
  HeaderCursor& p = Over({0x01, 0x01, 0x43, 0x01, 0x00, 0x44});
  {
    ReaderSwitch s;
    s.SetFromExternal(p, &data_);  // element 1
    EXPECT_EQ(p.ReaderStack.Count(), 2u);
    EXPECT_EQ(p.ReadByte(), 0x71);
    EXPECT_EQ(FatalReasonOf([&] { p.ReadByte(); }), "header truncated");  // element is done
    s.Release();
  }
  EXPECT_EQ(p.ReaderStack.Count(), 1u);
  EXPECT_EQ(p.ReadByte(), 0x43);  // right after the index
  ReaderSwitch s;
  s.SetFromExternal(p, &data_);  // element 0, from its first byte
  EXPECT_EQ(p.ReadByte(), 0x61);
  // Setting again releases the pushed buffer first: the stack never grows past two.
  s.Set(p, data_[1]);
  EXPECT_EQ(p.ReaderStack.Count(), 2u);
  EXPECT_EQ(p.ReadByte(), 0x71);
  s.Release();
  s.Release();
  EXPECT_EQ(p.ReadByte(), 0x44);
}

TEST_F(ReaderSwitchTest, IndexWithoutElementEndsTheRun) {
  HeaderCursor& p = Over({0x01, 0x02});
  ReaderSwitch s;
  EXPECT_EQ(FatalReasonOf([&] { s.SetFromExternal(p, &data_); }), "external data missing");
}

TEST_F(ReaderSwitchTest, NoDataVectorEndsTheRun) {
  HeaderCursor& p = Over({0x01, 0x00});
  ReaderSwitch s;
  EXPECT_EQ(FatalReasonOf([&] { s.SetFromExternal(p, nullptr); }), "external data missing");
}

}  // namespace
