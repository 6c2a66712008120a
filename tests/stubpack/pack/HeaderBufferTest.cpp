#include "pack/HeaderBuffer.h"

#include <gtest/gtest.h>

namespace {

struct NumberCase {
  uint64_t value;
  std::vector<uint8_t> bytes;
};

TEST(HeaderBuffer, WritesNumbersInTheSevenZipCoding) {
  const NumberCase cases[] = {
      {0, {0x00}},
      {127, {0x7F}},
      {128, {0x80, 0x80}},
      {202, {0x80, 0xCA}},
      {16383, {0xBF, 0xFF}},
      {16384, {0xC0, 0x00, 0x40}},
      {673877, {0xCA, 0x55, 0x48}},
      {(uint64_t{1} << 56) - 1, {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
      {uint64_t{1} << 56, {0xFF, 0, 0, 0, 0, 0, 0, 0, 0x01}},
      {~uint64_t{0}, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const NumberCase& c : cases) {
    HeaderBuffer out;
    out.Number(c.value);
    EXPECT_EQ(out.Data(), c.bytes) << c.value;
  }
}

TEST(HeaderBuffer, PacksBitVectorsMostSignificantFirst) {
  HeaderBuffer out;
  out.BitVector({true, false, false, false, false, false, false, true, true});
  EXPECT_EQ(out.Data(), (std::vector<uint8_t>{0x81, 0x80}));
  HeaderBuffer empty;
  empty.BitVector({});
  EXPECT_TRUE(empty.Data().empty());
}

TEST(HeaderBuffer, WritesIntegersLittleEndian) {
  HeaderBuffer out;
  out.UInt32(0x11223344);
  out.UInt64(0x0102030405060708);
  EXPECT_EQ(out.Data(), (std::vector<uint8_t>{0x44, 0x33, 0x22, 0x11, 8, 7, 6, 5, 4, 3, 2, 1}));
}

}  // namespace
