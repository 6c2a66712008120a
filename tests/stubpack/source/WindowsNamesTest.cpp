#include "source/WindowsNames.h"

#include <gtest/gtest.h>

namespace {

// Names are compared by the simple uppercase mapping, as NTFS does.
TEST(WindowsNames, CaseFoldingIsTheSimpleUppercaseMapping) {
  const struct {
    const char* first;
    const char* second;
    bool oneName;
  } rows[] = {
      {"i.txt", "ı.txt", true},        // dotless i
      {"s.txt", "ſ.txt", true},        // long s
      {"ς.txt", "Σ.txt", true},        // final sigma
      {"σ.txt", "ς.txt", true},
      {"µ.txt", "Μ.txt", true},        // micro sign, Greek capital mu
      {"ϐ.txt", "Β.txt", true},        // beta symbol
      {"ǅ.txt", "ǆ.txt", true},        // title case and lower case
      {"k.txt", "\u212A.txt", false},  // Kelvin sign: no uppercase mapping
      {"ß.txt", "ẞ.txt", false},       // no simple uppercase for ß
      {"I.txt", "\xC1\x89.txt", false},  // an overlong form is not UTF-8
  };
  for (const auto& row : rows) {
    EXPECT_EQ(WindowsNameKey(row.first) == WindowsNameKey(row.second), row.oneName)
        << row.first << " " << row.second;
  }
}

}  // namespace
