// stubpack list and extract on installers: what they print and what they refuse to touch.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "InstallerProcess.h"
#include "fixtures/CraftedArchive.h"
#include "stubpack/TestFiles.h"

namespace {

std::string CraftedInstaller(const TempDir& dir) {
  fixture::CraftedEntry folder;
  folder.name = u"docs";
  folder.directory = true;
  folder.attributes = 0x10;
  fixture::CraftedEntry file;
  file.name = u"docs/read me.txt";
  file.data = "hello";
  file.attributes = 0x21;
  file.lastWrite = (1111111111ull + 11644473600ull) * 10000000ull;
  const std::string path = dir.Path() + "/installer";
  WriteInstaller(path, fixture::CraftArchive({folder, file}));
  return path;
}

TEST(InspectCommands, ListShowsEveryEntryWithItsFolderAndMethod) {
  SKIP_UNLESS_STUB_FITS();
  TempDir dir;
  const std::string installer = CraftedInstaller(dir);
  RunResult list = RunStubpack({"list", installer});
  ASSERT_EQ(list.exitCode, 0) << list.output;
  EXPECT_NE(list.output.find("D....  "), std::string::npos) << list.output;
  EXPECT_NE(list.output.find(".R..A  "), std::string::npos) << list.output;
  EXPECT_NE(list.output.find("2005-03-18 01:58:31       0  LZMA:64K"), std::string::npos)
      << list.output;
  EXPECT_NE(list.output.find("docs/read me.txt\n"), std::string::npos) << list.output;
  EXPECT_NE(list.output.find("2 entries, 5 bytes, 1 folder,"), std::string::npos) << list.output;

  RunResult json = RunStubpack({"list", "--json", installer});
  ASSERT_EQ(json.exitCode, 0) << json.output;
  EXPECT_NE(json.output.find("{\"name\":\"docs/read me.txt\",\"directory\":false,\"anti\":false,"
                             "\"size\":5,\"attributes\":33,"),
            std::string::npos)
      << json.output;
  EXPECT_NE(json.output.find("\"folder\":null"), std::string::npos);
}

TEST(InspectCommands, ListOfSomethingTheStubCannotReadSaysWhy) {
  SKIP_UNLESS_STUB_FITS();
  TempDir dir;
  // An installer cut short in its archive.
  const std::string installer = CraftedInstaller(dir);
  std::filesystem::resize_file(installer, ReadFile(StubPath()).size() + 40);
  RunResult list = RunStubpack({"list", installer});
  EXPECT_EQ(list.exitCode, 1);
  EXPECT_NE(list.output.find("stubpack: the stub would refuse this installer: "),
            std::string::npos)
      << list.output;
  EXPECT_EQ(RunStubpack({"list"}).exitCode, 2);
}

// Exit 1 is the stub's verdict on the installer alone: an error of stubpack's own (output it
// cannot write, no scratch directory) gives 2, in every command.
TEST(InspectCommands, OwnErrorsExitTwo) {
  SKIP_UNLESS_STUB_FITS();
  TempDir dir;
  const std::string installer = ShellQuote(CraftedInstaller(dir));
  const std::string stubpack = ShellQuote(StubpackPath());
  const std::string out = ShellQuote(dir.Path() + "/out");
  const std::string rows[] = {
      stubpack + " list " + installer + " >/dev/full",
      stubpack + " list --json " + installer + " >/dev/full",
      stubpack + " check " + installer + " >/dev/full",
      stubpack + " extract " + installer + " " + out + " >/dev/full",
      stubpack + " --help >/dev/full",
      "TMPDIR=/nonexistent " + stubpack + " check " + installer,
  };
  for (const std::string& row : rows) {
    RunResult run = RunShell("(" + row + ")");  // its standard error still reaches us
    EXPECT_EQ(run.exitCode, 2) << row << "\n" << run.output;
    EXPECT_NE(run.output.find("stubpack: "), std::string::npos) << row << "\n" << run.output;
  }
}

// A name UTF-8 cannot carry (an unpaired surrogate) is listed escaped; the stub refuses to
// write it, and `check` says so. Neither run may wait forever.
TEST(InspectCommands, NameWithAnUnpairedSurrogateIsAnswered) {
  SKIP_UNLESS_STUB_FITS();
  TempDir dir;
  fixture::CraftedEntry file;
  file.name = u"a\xD800" u"b.txt";
  file.data = "x";
  const std::string installer = dir.Path() + "/installer";
  WriteInstaller(installer, fixture::CraftArchive({file}));
  const std::string run = "timeout -s KILL 20 " + ShellQuote(StubpackPath());
  RunResult list = RunShell(run + " list " + ShellQuote(installer));
  EXPECT_EQ(list.exitCode, 0) << list.output;
  EXPECT_NE(list.output.find("  a\\ud800b.txt\n"), std::string::npos) << list.output;
  RunResult json = RunShell(run + " list --json " + ShellQuote(installer));
  EXPECT_NE(json.output.find("{\"name\":\"a\\ud800b.txt\""), std::string::npos) << json.output;
  RunResult check = RunShell(run + " check " + ShellQuote(installer));
  EXPECT_EQ(check.exitCode, 1) << check.output;
  EXPECT_NE(check.output.find("the stub would refuse this installer"), std::string::npos)
      << check.output;
}

TEST(InspectCommands, ExtractWritesOnlyIntoANewOrEmptyDirectory) {
  SKIP_UNLESS_STUB_FITS();
  TempDir dir;
  const std::string installer = CraftedInstaller(dir);
  const std::string busy = dir.Path() + "/busy";
  std::filesystem::create_directories(busy + "/docs");
  WriteFile(busy + "/docs/read me.txt", "someone's file");
  RunResult refused = RunStubpack({"extract", installer, busy});
  EXPECT_EQ(refused.exitCode, 2) << refused.output;
  EXPECT_EQ(ReadFile(busy + "/docs/read me.txt").size(), 14u);

  const std::string fresh = dir.Path() + "/fresh/sub";
  RunResult extract = RunStubpack({"extract", installer, fresh});
  ASSERT_EQ(extract.exitCode, 0) << extract.output;
  EXPECT_EQ(ReadFile(fresh + "/docs/read me.txt"), (std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'}));
  struct stat info;
  ASSERT_EQ(stat((fresh + "/docs/read me.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mtime, 1111111111);
  EXPECT_EQ(info.st_mode & 0222, 0u);  // read-only, as the entry says
}

TEST(InspectCommands, FailedExtractionKeepsTheUsersDirectory) {
  SKIP_UNLESS_STUB_FITS();
  TempDir dir;
  fixture::CraftedEntry good;
  good.name = u"good.txt";
  good.data = "fine";
  fixture::CraftedEntry bad;
  bad.name = u"bad.txt";
  bad.data = "damaged";
  bad.wrongCrc = true;
  const std::string installer = dir.Path() + "/installer";
  WriteInstaller(installer, fixture::CraftArchive({good, bad}));
  const std::string target = dir.Path() + "/target";
  RunResult extract = RunStubpack({"extract", installer, target});
  EXPECT_EQ(extract.exitCode, 1);
  EXPECT_NE(extract.output.find("the stub would refuse this installer: entry CRC mismatch; "
                                "last entry reached: \"bad.txt\""),
            std::string::npos)
      << extract.output;
  EXPECT_EQ(ReadFile(target + "/good.txt").size(), 4u);
  // Written as it was decoded, the damaged entry is removed when its digest fails.
  EXPECT_FALSE(std::filesystem::exists(target + "/bad.txt"));
}

}  // namespace

namespace {

// `check` judges names the way the Windows stub will meet them: two names that are one file
// there end its run; a name it changes, a merged directory or a setup.exe that will not run
// draw a warning.
TEST(InspectCommands, CheckModelsWindowsNames) {
  SKIP_UNLESS_STUB_FITS();
  auto file = [](std::u16string name) { return fixture::CraftedFile(std::move(name), "x"); };
  auto directory = [](std::u16string name) {
    fixture::CraftedEntry e;
    e.name = std::move(name);
    e.directory = true;
    e.attributes = 0x10;
    return e;
  };
  struct Row {
    const char* what;
    std::vector<fixture::CraftedEntry> entries;
    int exitCode;
    const char* line;
  } rows[] = {
      {"same file in two cases", {file(u"setup.exe"), file(u"SETUP.EXE")}, 1,
       "problem: \"setup.exe\" and \"SETUP.EXE\" are one file on Windows"},
      {"file and directory in two cases", {file(u"data"), file(u"DATA/x")}, 1,
       "are one name on Windows, a file and a directory"},
      {"trailing dot", {file(u"setup.exe.")}, 0,
       "warning: \"setup.exe.\" is written as setup.exe on Windows"},
      {"trailing blank", {file(u"setup.exe ")}, 0,
       "warning: \"setup.exe \" is written as setup.exe on Windows"},
      {"setup.exe directory", {directory(u"setup.exe"), file(u"setup.exe/x")}, 0,
       "warning: \"setup.exe\" is a directory; no setup.exe will run"},
      {"no setup.exe", {file(u"install.exe")}, 0, "warning: no setup.exe at the top"},
      {"merged directories", {file(u"setup.exe"), file(u"Dir/a"), file(u"dir/b")}, 0,
       "warning: \"Dir\" and \"dir\" are one directory on Windows"},
      {"setup.exe in capitals", {file(u"Setup.EXE")}, 0, "stubpack: the stub accepts"},
      {"asterisk", {file(u"a*.txt")}, 1, "problem: entry \"a*.txt\" has a character that"},
      {"question mark", {file(u"sub/a?.txt")}, 1, "\"sub/a?.txt\" has a character that"},
      {"bar", {file(u"a|b")}, 1, "\"a|b\" has a character that"},
      {"less than", {file(u"a<b")}, 1, "\"a<b\" has a character that"},
      {"greater than", {file(u"a>b")}, 1, "\"a>b\" has a character that"},
      {"quote", {file(u"a\"b")}, 1, "has a character that Windows does not allow"},
      {"blank ending a middle part", {file(u"sub /a.txt")}, 1,
       "\"sub /a.txt\" has a dot or blank at its end"},
      {"dot ending a middle part", {file(u"sub.\\a.txt")}, 1, "has a dot or blank at its end"},
  };
  TempDir dir;
  for (const Row& row : rows) {
    const std::string installer = dir.Path() + "/installer";
    WriteInstaller(installer, fixture::CraftArchive(row.entries));
    const RunResult check = RunStubpack({"check", installer});
    EXPECT_EQ(check.exitCode, row.exitCode) << row.what << "\n" << check.output;
    EXPECT_NE(check.output.find(row.line), std::string::npos) << row.what << "\n" << check.output;
    if (row.exitCode == 0 && std::string(row.line).rfind("warning", 0) != 0) {
      EXPECT_EQ(check.output.find("warning:"), std::string::npos) << row.what;
    }
  }
}

}  // namespace

// The run options as list and check show them, on the Windows stub beside stubpack: list --json
// gives every option (the defaults without a resource); check warns when --run names nothing in
// the payload (matched in any case, as Windows opens it) and refuses a resource the stub calls
// damaged.
TEST(InspectCommands, ListAndCheckShowTheRunOptions) {
  namespace fs = std::filesystem;
  const std::string stub = (fs::path(StubpackPath()).parent_path() / "stub.exe").string();
  if (!fs::exists(stub)) GTEST_SKIP() << "stub.exe is not built here (no mingw-w64)";
  TempDir dir;
  fs::create_directories(dir.Path() + "/tree/bin");
  WriteFile(dir.Path() + "/tree/setup.exe", std::string("MZ"));
  WriteFile(dir.Path() + "/tree/bin/Tool.exe", std::string("MZ"));
  struct Row {
    const char* what;
    std::vector<std::string> options;
    const char* json;  // part of list --json's "installer" object
    const char* checkLine;
    int checkExit;
  } rows[] = {
      {"defaults", {},
       "\"optionsResource\":false,\"optionsDamaged\":false,\"exitCode\":\"zero\",\"userInterface\":"
       "\"normal\",\"wait\":\"setup\",\"run\":\"setup.exe\",\"arguments\":\"\",\"title\":\"Unpack\"}",
       "stubpack: the stub accepts", 0},
      {"every option",
       {"--ui", "none", "--wait", "all", "--run", "BIN/tool.EXE", "--args", "/q \"x y\"", "--title",
        "Zo\xc3\xab", "--exit-code", "setup"},
       "\"exitCode\":\"setup\",\"userInterface\":\"none\",\"wait\":\"all\",\"run\":"
       "\"BIN\\\\tool.EXE\",\"arguments\":\"/q \\\"x y\\\"\",\"title\":\"Zo\xc3\xab\"}",
       "stubpack: the stub accepts", 0},
      {"nothing to run", {"--run", "missing.exe", "--allow-no-setup"}, "\"run\":\"missing.exe\"",
       "warning: the program to run, \"missing.exe\", is not in the payload", 0},
      {"damaged", {"--title", "Zo\xc3\xab"}, "\"optionsDamaged\":true}",
       "the options resource is damaged", 1},
  };
  // pack refuses a tree without the program --run names, as one without setup.exe.
  const RunResult refused = RunStubpack({"pack", "-q", "--stub", stub, dir.Path() + "/tree", "-o",
                                         dir.Path() + "/x.exe", "--run", "sub/missing.exe"});
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_NE(refused.output.find("has no sub\\missing.exe, which the installer runs"),
            std::string::npos)
      << refused.output;
  for (const Row& row : rows) {
    const std::string installer = dir.Path() + "/installer.exe";
    std::vector<std::string> args = {"pack", "-q", "--stub", stub, dir.Path() + "/tree", "-o",
                                     installer};
    args.insert(args.end(), row.options.begin(), row.options.end());
    ASSERT_EQ(RunStubpack(args).exitCode, 0) << row.what;
    if (std::string(row.what) == "damaged") {  // the title's UTF-8 broken in the resource
      std::vector<uint8_t> bytes = ReadFile(installer);
      const std::string text(bytes.begin(), bytes.end());
      bytes[text.find("Zo\xc3\xab") + 2] = 0xFF;
      WriteFile(installer, bytes);
    }
    const RunResult list = RunStubpack({"list", "--json", installer});
    EXPECT_NE(list.output.find(row.json), std::string::npos) << row.what << "\n" << list.output;
    const RunResult check = RunStubpack({"check", installer});
    EXPECT_EQ(check.exitCode, row.checkExit) << row.what << "\n" << check.output;
    EXPECT_NE(check.output.find(row.checkLine), std::string::npos) << row.what << "\n"
                                                                   << check.output;
    if (std::string(row.checkLine).rfind("warning", 0) != 0) {
      EXPECT_EQ(check.output.find("warning:"), std::string::npos) << row.what << check.output;
    }
  }
}

namespace {

// `check` models the user's Windows: paths beyond MAX_PATH under the assumed TEMP, names
// beyond ASCII, short-name look-alikes; --strict fails on any warning.
TEST(InspectCommands, CheckWarnsWhatMayFailOnTheUsersMachine) {
  SKIP_UNLESS_STUB_FITS();
  auto file = [](std::u16string name) { return fixture::CraftedFile(std::move(name), "x"); };
  // 199 characters: under the default TEMP (48) the full path is 48 + 13 + 199 = 260.
  const std::u16string longPath = std::u16string(100, u'a') + u"/" + std::u16string(98, u'b');
  const std::string longShown = std::string(100, 'a') + "/" + std::string(98, 'b');
  struct Row {
    const char* what;
    std::vector<std::u16string> names;
    std::vector<std::string> options;
    int exitCode;
    std::string warnings;  // the JSON array, or its start
  } rows[] = {
      {"none", {u"a.txt"}, {}, 0, "[]"},
      {"code page", {u"привет.txt"}, {}, 0,
       "[\"\\\"привет.txt\\\": a name beyond ASCII;"},
      {"path length", {longPath}, {}, 0, "[\"\\\"" + longShown + "\\\": its full path is 260"},
      {"a shorter TEMP", {longPath}, {"--temp-path-length", "47"}, 0, "[]"},
      {"short-name look-alike", {u"longname-one.txt", u"LONGNA~1.TXT"}, {}, 0,
       "[\"\\\"LONGNA~1.TXT\\\" is shaped like the short (8.3) name"},
      {"strict", {u"привет.txt"}, {"--strict"}, 1, "[\"\\\"привет.txt\\\""},
      {"strict without warnings", {u"a.txt"}, {"--strict"}, 0, "[]"},
  };
  TempDir dir;
  for (const Row& row : rows) {
    std::vector<fixture::CraftedEntry> entries = {file(u"setup.exe")};
    for (const std::u16string& name : row.names) entries.push_back(file(name));
    const std::string installer = dir.Path() + "/installer";
    WriteInstaller(installer, fixture::CraftArchive(entries));
    std::vector<std::string> args = {"check", "--json", installer};
    args.insert(args.begin() + 1, row.options.begin(), row.options.end());
    const RunResult check = RunStubpack(args);
    EXPECT_EQ(check.exitCode, row.exitCode) << row.what << "\n" << check.output;
    EXPECT_NE(check.output.find("\"accepted\":true"), std::string::npos) << row.what;
    EXPECT_NE(check.output.find("\"warnings\":" + row.warnings), std::string::npos)
        << row.what << "\n" << check.output;
  }
}

// The stub keeps every name in UTF-16 for the whole run, and holds the decoded file list
// besides while it reads the header: check's memory figure counts both, whichever form the
// list is stored in.
TEST(InspectCommands, MemoryFigureCountsTheDecodedFileList) {
  TempDir dir;
  const std::string source = dir.Path() + "/src";
  std::filesystem::create_directories(source);
  WriteFile(source + "/setup.exe", std::string("MZ"));
  uint64_t names = 2 * (9 + 1);
  const std::string directory = std::string(90, 'd') + std::to_string(0);
  std::filesystem::create_directories(source + "/" + directory);
  names += 2 * (directory.size() + 1);
  for (int i = 0; i < 4000; ++i) {
    const std::string name = directory + "/" + std::string(90, 'n') + std::to_string(i);
    WriteFile(source + "/" + name, std::string());
    names += 2 * (name.size() + 1);
  }
  for (bool plain : {true, false}) {
    const std::string installer = dir.Path() + "/installer";
    std::vector<std::string> pack = {"pack", "-q", "--stub", "native", source, "-o", installer};
    if (plain) pack.push_back("--plain-header");
    ASSERT_EQ(RunStubpack(pack).exitCode, 0);
    const RunResult check = RunStubpack({"check", "--json", installer});
    ASSERT_EQ(check.exitCode, 0) << check.output;
    const size_t at = check.output.find("\"memoryBytes\":");
    ASSERT_NE(at, std::string::npos) << check.output;
    const uint64_t memory = std::stoull(check.output.substr(at + 14));
    // The names held, and the list as read: stored plain, or decoded; the names' strings grow
    // by doubling.
    EXPECT_GE(memory, 2 * names) << plain;
    EXPECT_LE(memory, 4 * names + (3u << 20)) << plain;
  }
}

}  // namespace
