#include "pe/VersionResource.h"

#include <gtest/gtest.h>

#include "base/PackError.h"

TEST(VersionResource, NumbersAreOneToFourPartsOfSixteenBits) {
  using Parts = std::array<uint16_t, 4>;
  EXPECT_EQ(ParseVersionNumber("1.2.3.4"), (Parts{1, 2, 3, 4}));
  EXPECT_EQ(ParseVersionNumber("7"), (Parts{7, 0, 0, 0}));
  EXPECT_EQ(ParseVersionNumber("65535.0.10"), (Parts{65535, 0, 10, 0}));
  for (const char* bad : {"", "1.2.3.4.5", "65536", "1..2", "1.", ".1", "1.2.x", " 1", "+1",
                          "-1", "1.2.3.4 ", "0x10"}) {
    EXPECT_THROW(ParseVersionNumber(bad), PackError) << '"' << bad << '"';
  }
}

TEST(VersionResource, StringsReadBackInOrderAndTooMuchIsRefused) {
  const VersionStrings strings = {{"ProductName", "Acme Wïdget 😀"}, {"FileVersion", "1.2"},
                                  {"CompanyName", ""}};
  EXPECT_EQ(ReadVersionStrings(BuildVersionResource(strings)), strings);
  EXPECT_THROW(BuildVersionResource({{"Comments", std::string(33000, 'x')}}), PackError);
  EXPECT_THROW(BuildVersionResource({{"Comments", "\xff bad"}}), PackError);
}
