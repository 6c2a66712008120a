#include "source/EntryName.h"

#include <gtest/gtest.h>

#include "base/PackError.h"
#include "extract/ItemPath.h"

namespace {

TEST(EntryName, RefusesNamesTheUnpackerRefusesOrWindowsCannotCreate) {
  const char* bad[] = {"con",  "CON",     "con.txt", "Nul.tar.gz", "aux ",  "prn",  "COM1",
                       "lpt9", "lpt1.x",  "a:b",     "a\\b",       "..",    ".",    "",
                       "a?b",  "a*",      "a<b",     "a|b",        "x\"y", "tab\there",
                       "x..",  "x ",
                       "CONIN$", "conout$", "CONOUT$.txt", "COM\xC2\xB9", "com\xC2\xB2.txt",
                       "COM\xC2\xB3", "LPT\xC2\xB9", "lpt\xC2\xB2", "LPT\xC2\xB3.x"};
  for (const char* name : bad) EXPECT_NE(EntryNameProblem(name), "") << name;
  const char* good[] = {"console", "com0", "com10", "lpt", "nul_", "a.con", "setup.exe",
                        "ünï", "..x", "con_txt",
                        "CONIN", "conout", "COM\xC2\xB9\xC2\xB9", "LPT\xC2\xB0",
                        "com\xE2\x81\xB4"};
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

// stubpack's rules must never be looser than the stub's: every path it accepts, the stub
// confines (judged on the stored name with backslashes, as the stub judges it).
TEST(EntryName, EveryAcceptedPathIsOneTheStubConfines) {
  const std::string parts[] = {"",     ".",       "..",  "...",  " ",     ". .",  "a",
                               "a.",   "a ",      "con", "CoN ", "nul.x", "com1", "lpt9.a.b",
                               "com0", "a:b",     "a\\b", "\xC3\xBC", "x..y", ".a",
                               "conin$", "COM\xC2\xB9.x"};
  uint32_t accepted = 0;
  for (const std::string& first : parts) {
    for (const std::string& second : parts) {
      for (const std::string& path : {first, "/" + first, first + "/" + second, first + "/"}) {
        std::u16string name;
        try {
          name = ToArchiveName(path);
        } catch (const PackError&) {
          continue;
        }
        ++accepted;
        WideString stored(reinterpret_cast<const WCHAR*>(name.c_str()));
        stored.Replace('/', '\\');
        EXPECT_TRUE(IsConfinedItemPath(stored)) << path;
      }
    }
  }
  EXPECT_GT(accepted, 20u);  // the table holds names of both kinds
}

}  // namespace
