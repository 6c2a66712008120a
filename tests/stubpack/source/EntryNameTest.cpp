#include "source/EntryName.h"

#include <gtest/gtest.h>

#include "base/PackError.h"

namespace {

TEST(EntryName, RefusesNamesTheUnpackerRefusesOrWindowsCannotCreate) {
  const char* bad[] = {"con",  "CON",     "con.txt", "Nul.tar.gz", "aux ",  "prn",  "COM1",
                       "lpt9", "lpt1.x",  "a:b",     "a\\b",       "..",    ".",    "",
                       "a?b",  "a*",      "a<b",     "a|b",        "x\"y", "tab\there",
                       "x..",  "x "};
  for (const char* name : bad) EXPECT_NE(EntryNameProblem(name), "") << name;
  const char* good[] = {"console", "com0", "com10", "lpt", "nul_", "a.con", "setup.exe",
                        "ünï", "..x", "con_txt"};
  for (const char* name : good) EXPECT_EQ(EntryNameProblem(name), "") << name;
}

TEST(EntryName, ConvertsPathsToUtf16) {
  EXPECT_EQ(ToArchiveName("dir/file.txt"), u"dir/file.txt");
  EXPECT_EQ(ToArchiveName("\xC3\xBC/\xE2\x82\xAC"), u"\u00FC/\u20AC");
  EXPECT_EQ(ToArchiveName("\xF0\x9F\x98\x80"), u"\U0001F600");
}

TEST(EntryName, RefusesBadPathsWithTheirReason) {
  const char* bad[] = {"/abs", "a/../b", "a//b", "a/con/b", "\xC3", "\xC0\x80", "\xED\xA0\x80",
                       "\xFF"};
  for (const char* path : bad) EXPECT_THROW(ToArchiveName(path), PackError) << path;
  try {
    ToArchiveName("x/LPT3.log");
    FAIL();
  } catch (const PackError& e) {
    EXPECT_NE(std::string(e.what()).find("reserved device name"), std::string::npos);
  }
}

}  // namespace
