#include "platform/Utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Utf8Case {
  std::string bytes;
  uint32_t point;   // kNotUtf8 for what is not UTF-8
  uint32_t length;  // bytes taken, or passed over
};

// Every code point comes back from its UTF-8 form; what is not UTF-8 is passed over up to the
// byte that breaks it, which starts the next decoding.
TEST(Utf8, DecodesOrPassesOverUpToTheBreakingByte) {
  const Utf8Case cases[] = {
      {"A", 0x41, 1},
      {"\xC3\xA9", 0xE9, 2},
      {"\xE2\x82\xAC", 0x20AC, 3},
      {"\xF0\x9F\x98\x80", 0x1F600, 4},
      {"\x80", kNotUtf8, 1},              // a stray continuation byte
      {"\xC0\x80", kNotUtf8, 1},          // overlong, refused by its lead byte
      {"\xE0\x80\x80", kNotUtf8, 3},      // overlong
      {"\xED\xA0\x80", kNotUtf8, 3},      // a surrogate
      {"\xF4\x90\x80\x80", kNotUtf8, 4},  // beyond U+10FFFF
      {"\xF5\x80\x80\x80", kNotUtf8, 1},
      {"\xE2\x82", kNotUtf8, 1},          // cut short by the end
      {"\xF0\x9F\x41\x42", kNotUtf8, 2},  // broken by its third byte
  };
  for (const Utf8Case& c : cases) {
    uint32_t point = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(c.bytes.data());
    EXPECT_EQ(DecodeUtf8(p, c.bytes.size(), &point), c.length) << c.bytes;
    EXPECT_EQ(point, c.point) << c.bytes;
    if (c.point == kNotUtf8) continue;
    char encoded[4];
    EXPECT_EQ(std::string(encoded, EncodeUtf8(c.point, encoded)), c.bytes);
  }
}

}  // namespace
