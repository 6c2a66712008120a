#include <gtest/gtest.h>

#include "source/InstallWarnings.h"
#include "source/ProgramToRun.h"

namespace {

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

std::string Joined(const std::vector<std::string>& texts) {
  std::string all;
  for (const std::string& text : texts) all += text + "\n";
  return all;
}

// A name of n characters, "/" separated parts of at most 100.
std::string PathOf(size_t n, char c = 'a') {
  std::string path;
  while (path.size() < n) path += path.size() % 101 == 100 ? '/' : c;
  return path;
}

// Each row: the entries (a trailing "/" marks a directory), the temporary directory's length,
// and the start of every warning expected, in order ("" for none).
TEST(InstallWarnings, ModelTheUsersWindows) {
  const struct {
    const char* what;
    std::vector<std::string> entries;
    uint32_t tempPathLength;
    std::vector<std::string> expected;
  } rows[] = {
      // 48 + 12 ("\cabXXXX.tmp") + 1 + path: a file may have 198 characters, a directory 186.
      {"file at MAX_PATH", {PathOf(198)}, 48, {}},
      {"file beyond MAX_PATH",
       {PathOf(199)},
       48,
       {"\"" + PathOf(199) + "\": its full path is 260"}},
      {"shorter TEMP", {PathOf(216)}, 30, {}},
      {"258 characters fit no TEMP", {PathOf(258)}, 3, {"\"" + PathOf(258) + "\": its full"}},
      {"directory at its limit", {PathOf(186) + "/"}, 48, {}},
      {"directory beyond",
       {PathOf(187) + "/x"},
       48,
       {"\"" + PathOf(187) + "\": the full path of this directory is 248"}},
      {"only the first directory too long",
       {PathOf(190, 'b') + "/c/" + PathOf(100)},
       48,
       {"\"" + PathOf(190, 'b') + "\": the full"}},
      {"ASCII", {"readme.txt", "sub/a b+c.txt"}, 48, {}},
      {"Latin-1", {"café.txt"}, 48, {"\"café.txt\": a name beyond ASCII"}},
      {"Cyrillic, named once",
       {"привет/", "привет/a.txt"},
       48,
       {"\"привет\": a name beyond ASCII"}},
      {"no legacy code page",
       {"नमस्ते.txt"},
       48,
       {"\"नमस्ते.txt\": a name beyond ASCII; Windows 10 version 1903 and later unpack it (the "
        "stub's UTF-8 code page), older Windows (7, 8, 10 before 1903) under no legacy code page"}},
      {"NTFS alias",
       {"longname-one.txt", "LONGNA~1.TXT"},
       48,
       {"\"LONGNA~1.TXT\" is shaped like the short (8.3) name Windows may give "
        "\"longname-one.txt\""}},
      {"alias in lower case, first",
       {"sub/longna~2.txt", "SUB/LongName-One.txt"},
       48,
       {"\"sub/longna~2.txt\" is shaped"}},
      {"Wine's alias", {"longname-one.txt", "long~24b.txt"}, 48, {"\"long~24b.txt\" is shaped"}},
      {"NTFS hashed alias",
       {"longname-one.txt", "LO1A2B~1.TXT"},
       48,
       {"\"LO1A2B~1.TXT\" is shaped"}},
      {"another extension", {"longname-one.txt", "LONGNA~1.DOC"}, 48, {}},
      {"another directory", {"a/longname-one.txt", "b/LONGNA~1.TXT"}, 48, {}},
      {"an 8.3 name has no alias", {"readme.txt", "README~1.TXT"}, 48, {}},
      {"not a number after ~", {"longname-one.txt", "LONGNA~.TXT"}, 48, {}},
  };
  for (const auto& row : rows) {
    std::vector<NamedEntry> entries;
    for (std::string name : row.entries) {
      const bool directory = name.back() == '/';
      if (directory) name.pop_back();
      entries.push_back({name, directory});
    }
    const std::vector<std::string> warnings = InstallWarnings(entries, row.tempPathLength, Quoted);
    ASSERT_EQ(warnings.size(), row.expected.size()) << row.what << "\n" << Joined(warnings);
    for (size_t i = 0; i < warnings.size(); ++i)
      EXPECT_EQ(warnings[i].rfind(row.expected[i], 0), 0u) << row.what << "\n" << warnings[i];
  }
}

TEST(InstallWarnings, NameTheCodePagesThatHoldAName) {
  const std::string latin = Joined(InstallWarnings({{"café.txt", false}}, 48, Quoted));
  EXPECT_NE(latin.find("1252 (Western European)"), std::string::npos) << latin;
  EXPECT_EQ(latin.find("1251"), std::string::npos) << latin;
  const std::string cyrillic = Joined(InstallWarnings({{"привет.txt", false}}, 48, Quoted));
  EXPECT_NE(cyrillic.find("1251 (Cyrillic)"), std::string::npos) << cyrillic;
  EXPECT_EQ(cyrillic.find("1252"), std::string::npos) << cyrillic;
}

// The program to run is found as Windows compares names; else the nearest of its name.
TEST(ProgramToRun, FoundAtTheTopOrTheNearestNamed) {
  const struct {
    std::vector<NamedEntry> entries;
    std::string program;
    bool found;
    std::string nearest;
  } rows[] = {
      {{{"a/setup.exe", false}, {"setup.exe", false}}, "setup.exe", true, ""},
      {{{"Setup.EXE", false}}, "setup.exe", true, ""},
      {{{"x/y/SETUP.exe", false}, {"Acme-1.2/setup.exe", false}, {"b/setup.exe", false}},
       "setup.exe",
       false,
       "Acme-1.2/setup.exe"},
      {{{"setup.exe", true}, {"setup.exe/readme", false}}, "setup.exe", false, ""},
      {{{"setup.exe", false}, {"bin/app.exe", false}}, "bin/app.exe", true, ""},
      {{{"app.exe", false}}, "bin/app.exe", false, "app.exe"},
  };
  for (const auto& row : rows) {
    const ProgramSearch search = FindProgramToRun(row.entries, row.program);
    EXPECT_EQ(search.found, row.found) << row.program << " " << row.entries.front().name;
    EXPECT_EQ(search.nearest, row.nearest) << row.program << " " << row.entries.front().name;
  }
}

}  // namespace
