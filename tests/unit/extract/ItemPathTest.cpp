#include "extract/ItemPath.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

WideString Wide(const std::u16string& text) {
  std::vector<WCHAR> units(text.begin(), text.end());
  units.push_back(0);
  return WideString(units.data());
}

std::vector<std::string> Split(const std::u16string& path) {
  ItemVector<WideString> parts;
  SplitItemPath(Wide(path), parts);
  std::vector<std::string> out;
  for (uint32_t i = 0; i < parts.Count(); ++i) out.push_back(parts[i].ToAnsi());
  return out;
}

TEST(ItemPath, SplitKeepsEmptyComponents) {
  struct Case {
    std::u16string path;
    std::vector<std::string> parts;
  } cases[] = {
      {u"", {}},
      {u"a", {"a"}},
      {u"a\\b/c.txt", {"a", "b", "c.txt"}},
      {u"a\\\\b", {"a", "", "b"}},
      {u"\\a", {"", "a"}},
      {u"a/", {"a", ""}},
      {u"/", {"", ""}},
  };
  for (const Case& c : cases) EXPECT_EQ(Split(c.path), c.parts) << std::string(c.path.begin(), c.path.end());
}

TEST(ItemPath, ConfinementRefusesWhatCouldLeaveTheDirectory) {
  const std::u16string refused[] = {
      u"",          u"\\x",        u"/etc/x",    u"\\\\server\\share\\x", u"C:\\x",
      u"C:x",       u"..",         u"..\\x",     u"a\\..\\..\\x",         u"a/../b",
      u"a\\ ..",    u"...",        u". .",       u"f.txt:stream",         u"CON",
      u"con",       u"PRN.txt",    u"aux.tar.gz", u"NUL ",                u"dir\\Nul.x",
      u"COM1",      u"com9.log",   u"LPT1",      u"lpt5.txt",             u"a/CON/b",
      u"CONIN$",    u"conout$",    u"CONOUT$.txt", u"sub\\CONIN$",        u"COM\u00b9",
      u"com\u00b2.txt", u"COM\u00b3", u"LPT\u00b9", u"lpt\u00b2.x",    u"Lpt\u00b3 ",
      // Components that name the directory they are in: the entry would be that directory.
      u".",         u"./setup.exe", u"a\\.\\b", u"a//b.txt",              u"a/",
      u" ",         u". ",         u"dir/ .",
  };
  for (const std::u16string& path : refused)
    EXPECT_FALSE(IsConfinedItemPath(Wide(path))) << std::string(path.begin(), path.end());
  const std::u16string accepted[] = {
      u"a",        u"a\\b\\c.txt", u"a/b",    u".hidden", u"a\\.b",    u"..a",      u"a..",
      u"CONFIG",   u"COM10",       u"COM0",   u"LPT",     u"console",  u"nul1.txt", u"x.con",
      u"CONIN",    u"CONOUT$x",    u"COM\u00b9\u00b9", u"COM\u2074", u"LPT\u00b0",
      u"\u00fcber\\\u65e5.txt",
  };
  for (const std::u16string& path : accepted)
    EXPECT_TRUE(IsConfinedItemPath(Wide(path))) << std::string(path.begin(), path.end());
}

}  // namespace
