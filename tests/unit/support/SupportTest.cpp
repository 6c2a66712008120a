#include <gtest/gtest.h>

#include <string>

#include "fixtures/FatalExpect.h"
#include "support/ItemVector.h"
#include "support/WideString.h"

namespace {

WideString Wide(const char* text) { return WideString::FromAnsi(text); }

TEST(WideString, EmptyAndNullTextsGiveEmptyStrings) {
  for (const char* text : {static_cast<const char*>(nullptr), ""}) {
    WideString s = WideString::FromAnsi(text);
    EXPECT_EQ(s.Length(), 0u);
    EXPECT_STREQ(s.ToAnsi(), "");
    EXPECT_EQ(s.CharAt(0), 0);
  }
}

TEST(WideString, CharAtBeyondTheTerminatorEndsTheRun) {
  WideString s = Wide("abc");
  EXPECT_EQ(s.CharAt(3), 0);  // the terminator
  EXPECT_EQ(FatalReasonOf([&] { s.CharAt(4); }), "string index out of range");
  WideString empty;
  EXPECT_EQ(FatalReasonOf([&] { empty.CharAt(empty.Length() - 1); }),
            "string index out of range");
}

TEST(WideString, AnsiFormFollowsEveryChange) {
  WideString s = Wide("dir");
  EXPECT_STREQ(s.ToAnsi(), "dir");
  s.Append(Wide("\\file"));
  EXPECT_STREQ(s.ToAnsi(), "dir\\file");
  s.Replace('\\', '/');
  EXPECT_STREQ(s.ToAnsi(), "dir/file");
  s.Append(s);  // appending itself
  EXPECT_STREQ(s.ToAnsi(), "dir/filedir/file");
}

TEST(WideString, NonAsciiTextSurvivesTheRoundTrip) {
  // Three bytes per unit in UTF-8: more than the two a double-byte code page needs.
  const char* names[] = {"\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e", "caf\xc3\xa9",
                         "\xf0\x9f\x93\xa6 box"};
  for (const char* name : names) {
    WideString s = Wide(name);
    EXPECT_STREQ(s.ToAnsi(), name);
  }
  EXPECT_EQ(Wide("\xe6\x97\xa5\xe6\x9c\xac").Length(), 2u);
  EXPECT_EQ(Wide("\xf0\x9f\x93\xa6").Length(), 2u);  // a surrogate pair
}

TEST(WideString, ReplaceCompareAndTrailingBackslash) {
  WideString s = Wide("a/b/c/d");
  s.Replace('/', '\\');
  EXPECT_STREQ(s.ToAnsi(), "a\\b\\c\\d");
  EXPECT_NE(Wide("Setup.exe").Compare(Wide("setup.exe")), 0);
  EXPECT_EQ(Wide("abc").Compare(Wide("abd")), -1);
  EXPECT_EQ(Wide("abc").Compare(Wide("ab")), 1);
  EXPECT_EQ(Wide("\xc3\xa9").Compare(Wide("z")), 1);  // units compare unsigned
  EXPECT_STREQ(WithTrailingBackslash(Wide("C:\\tmp")).ToAnsi(), "C:\\tmp\\");
  EXPECT_STREQ(WithTrailingBackslash(Wide("C:\\tmp\\")).ToAnsi(), "C:\\tmp\\");
  EXPECT_STREQ(WithTrailingBackslash(WideString()).ToAnsi(), "\\");
}

TEST(ItemVector, GrowsTwiceTheCountPlusTwo) {
  ItemVector<int> v;
  std::vector<uint32_t> capacities;
  for (int i = 0; i < 15; ++i) {
    v.Add(i);
    capacities.push_back(v.Capacity());
  }
  EXPECT_EQ(v.Capacity(), 30u);
  EXPECT_EQ(capacities[0], 2u);
  EXPECT_EQ(capacities[2], 6u);
  EXPECT_EQ(capacities[6], 14u);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(v[uint32_t(i)], i);
}

TEST(ItemVector, OwningElementsAreDeepCopiedAndSurviveGrowth) {
  ItemVector<WideString> names;
  names.Add(Wide("first"));
  names.Add(names[0]);  // an element of the vector itself, while the storage moves
  names.Add(names[1]);
  ItemVector<WideString> copy(names);
  names[0].Append(Wide("!"));
  EXPECT_STREQ(names[0].ToAnsi(), "first!");
  EXPECT_STREQ(copy[0].ToAnsi(), "first");
  EXPECT_STREQ(copy[2].ToAnsi(), "first");
  uint32_t capacity = copy.Capacity();
  copy.Clear();
  EXPECT_EQ(copy.Count(), 0u);
  EXPECT_EQ(copy.Capacity(), capacity);  // clearing keeps the storage
}

TEST(ItemVector, AppendAndResizeOfBytes) {
  ItemVector<uint8_t> bytes;
  bytes.Append(reinterpret_cast<const uint8_t*>("abc"), 3);
  bytes.Resize(6);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes.Data()), 6), std::string("abc\0\0\0", 6));
  bytes.Resize(2);
  EXPECT_EQ(bytes.Count(), 2u);
}

TEST(MemAlloc, FailedAllocationEndsTheRun) {
  posix_testing::Reset();
  posix_testing::FailCall(posix_testing::Api::LocalAlloc, 1);
  EXPECT_EQ(FatalReasonOf([] { ItemVector<int> v; v.Add(1); }), "out of memory");
  posix_testing::Reset();
}

}  // namespace
