// How stubpack pack reacts to bad input: exit code 2, a message naming the problem, and no
// installer (nor a partial one) left behind.
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "StubpackRun.h"
#include "fixtures/CaseName.h"
#include "stubpack/TestFiles.h"

namespace fs = std::filesystem;

namespace {

struct BadInput {
  const char* name;
  std::function<void(const std::string& source)> prepare;  // makes the tree bad
  std::vector<std::string> extraArgs;
  const char* message;  // part of the error text
};
void PrintTo(const BadInput& row, std::ostream* out) { *out << row.name; }

class PackRefuses : public ::testing::TestWithParam<BadInput> {};

TEST_P(PackRefuses, WithExitCodeTwoAndNoOutput) {
  TempDir dir;
  const std::string source = dir.Path() + "/src";
  fs::create_directories(source + "/sub");
  WriteFile(source + "/setup.exe", std::string("MZ"));
  WriteFile(dir.Path() + "/stub", StandInStub());
  GetParam().prepare(source);
  std::vector<std::string> args = {"pack", "--stub", dir.Path() + "/stub", source,
                                   "-o", dir.Path() + "/out.exe"};
  args.insert(args.end(), GetParam().extraArgs.begin(), GetParam().extraArgs.end());
  const RunResult run = RunStubpack(args);
  EXPECT_EQ(run.exitCode, 2) << run.output;
  EXPECT_NE(run.output.find(GetParam().message), std::string::npos) << run.output;
  EXPECT_FALSE(fs::exists(dir.Path() + "/out.exe"));
  EXPECT_FALSE(fs::exists(dir.Path() + "/out.exe.partial"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PackRefuses,
    ::testing::Values(
        BadInput{"MissingSource", [](const std::string& s) { fs::remove_all(s); }, {},
                 "cannot find source directory"},
        BadInput{"SourceIsAFile",
                 [](const std::string& s) {
                   fs::remove_all(s);
                   WriteFile(s, std::string("x"));
                 },
                 {}, "is not a directory"},
        BadInput{"DeviceName", [](const std::string& s) { WriteFile(s + "/sub/con.txt", "x"); },
                 {}, "reserved device name"},
        BadInput{"DeviceNameDirectory", [](const std::string& s) { fs::create_directory(s + "/LPT1"); },
                 {}, "reserved device name"},
        BadInput{"StreamName", [](const std::string& s) { WriteFile(s + "/a:b", "x"); }, {},
                 "alternate data stream"},
        BadInput{"Backslash", [](const std::string& s) { WriteFile(s + "/..\\x", "x"); }, {},
                 "backslash"},
        BadInput{"NotUtf8", [](const std::string& s) { WriteFile(s + "/\xFF.txt", "x"); }, {},
                 "not valid UTF-8"},
        BadInput{"Symlink",
                 [](const std::string& s) { fs::create_symlink("/etc/passwd", s + "/sub/link"); },
                 {}, "symbolic link"},
        BadInput{"Fifo", [](const std::string& s) { mkfifo((s + "/pipe").c_str(), 0644); }, {},
                 "neither a regular file nor a directory"},
        // Names that are one on Windows, at any level, and names Windows would change.
        BadInput{"CaseClashFiles",
                 [](const std::string& s) {
                   WriteFile(s + "/README.txt", "a");
                   WriteFile(s + "/readme.txt", "b");
                 },
                 {}, "\"README.txt\" and \"readme.txt\" differ only in case"},
        BadInput{"CaseClashDirectories",
                 [](const std::string& s) {
                   fs::create_directories(s + "/Dir");
                   fs::create_directories(s + "/dir");
                 },
                 {}, "\"Dir\" and \"dir\" differ only in case"},
        BadInput{"DeepCaseClash",
                 [](const std::string& s) {
                   fs::create_directories(s + "/sub/A/b");
                   fs::create_directories(s + "/sub/A/B");
                 },
                 {}, "\"sub/A/B\" and \"sub/A/b\""},
        BadInput{"NonAsciiCaseClash",
                 [](const std::string& s) {
                   WriteFile(s + "/\xC3\x9C" "ber.txt", "a");  // Über
                   WriteFile(s + "/\xC3\xBC" "BER.txt", "b");  // üBER
                 },
                 {}, "differ only in case"},
        BadInput{"TrailingDot", [](const std::string& s) { WriteFile(s + "/sub/name.", "x"); },
                 {}, "\"sub/name.\": the installer cannot hold a name with a dot or blank"},
        BadInput{"TrailingBlank", [](const std::string& s) { fs::create_directory(s + "/d "); },
                 {}, "a dot or blank at its end"},
        // One run names every problem of a tree.
        BadInput{"EveryProblemAtOnce",
                 [](const std::string& s) {
                   WriteFile(s + "/a:b", "x");
                   WriteFile(s + "/sub/con.txt", "x");
                 },
                 {},
                 "(alternate data stream)\nstubpack: error: \"sub/con.txt\": the installer "
                 "cannot hold a name with a reserved device name\nstubpack: error: 2 problems"},
        BadInput{"MissingStub", [](const std::string&) {}, {"--stub", "/nonexistent/stub"},
                 "cannot read the stub"},
        BadInput{"UnknownOption", [](const std::string&) {}, {"--frobnicate"},
                 "unknown option"},
        BadInput{"BadBcj2Mode", [](const std::string&) {}, {"--bcj2", "maybe"}, "--bcj2"},
        BadInput{"LcPlusLpTooLarge", [](const std::string&) {}, {"--lc", "3", "--lp", "2"},
                 "at most 4"},
        BadInput{"DictionaryTooLarge", [](const std::string&) {}, {"--dict", "512M"},
                 "--dict"},
        BadInput{"BadSize", [](const std::string&) {}, {"--solid-size", "12X"}, "bad size"},
        // The run options, judged by the rules the stub reads them by.
        BadInput{"BadUi", [](const std::string&) {}, {"--ui", "quiet"}, "--ui takes normal or none"},
        BadInput{"BadWait", [](const std::string&) {}, {"--wait", "some"}, "--wait takes setup or all"},
        BadInput{"RunLeavesThePayload", [](const std::string&) {}, {"--run", "../x.exe"},
                 "--run must name a file inside the payload"},
        BadInput{"RunRooted", [](const std::string&) {}, {"--run", "/bin/sh"}, "--run must name"},
        BadInput{"RunWithDrive", [](const std::string&) {}, {"--run", "C:setup.exe"}, "--run must name"},
        BadInput{"RunDevice", [](const std::string&) {}, {"--run", "sub/con.exe"}, "--run must name"},
        BadInput{"RunQuote", [](const std::string&) {}, {"--run", "a\"b.exe"}, "--run must name"},
        BadInput{"RunEmpty", [](const std::string&) {}, {"--run", ""}, "--run is empty"},
        BadInput{"RunTooLong", [](const std::string&) {}, {"--run", std::string(201, 'a')},
                 "--run is longer than 200 bytes"},
        BadInput{"ArgsNotUtf8", [](const std::string&) {}, {"--args", "/D=\xff"},
                 "--args is not UTF-8"},
        BadInput{"ArgsControl", [](const std::string&) {}, {"--args", "a\nb"},
                 "--args holds a control character"},
        BadInput{"TitleTooLong", [](const std::string&) {}, {"--title", std::string(256, 't')},
                 "--title is longer than 255 bytes"},
        BadInput{"TitleNotUtf8", [](const std::string&) {}, {"--title", "\xc3("},
                 "--title is not UTF-8"}),
    CaseName());

// A file swapped after the scan, just before pack opens it: a link to a file outside the tree
// is not followed and a FIFO does not block; either ends the run with exit 2 and no output.
TEST(PackCommandLine, FileSwappedAfterTheScanIsRefused) {
  for (const char* swap : {"ln -s ../secret src/data.txt", "mkfifo src/data.txt"}) {
    TempDir dir;
    fs::create_directories(dir.Path() + "/src");
    WriteFile(dir.Path() + "/src/setup.exe", std::string("MZ"));
    WriteFile(dir.Path() + "/src/data.txt", std::string("public"));
    WriteFile(dir.Path() + "/secret", std::string("secret"));
    WriteFile(dir.Path() + "/stub", StandInStub());
    // pack pauses at its first open of data.txt until the mark is removed.
    const RunResult run = RunShell(
        "(cd " + ShellQuote(dir.Path()) + " && { env LD_PRELOAD=" +
        ShellQuote(PAUSE_PRELOAD_PATH) + " ASAN_OPTIONS=verify_asan_link_order=0" +
        " STUBKIT_PAUSE_AT=data.txt STUBKIT_PAUSE_MARK=mark timeout -s KILL 20 " +
        ShellQuote(StubpackPath()) + " pack -q --stub stub src -o out.exe & } && " +
        "for i in $(seq 2000); do [ -e mark ] && break; sleep 0.01; done && " +
        "rm src/data.txt && " + swap + " && rm mark && wait $!)");
    EXPECT_EQ(run.exitCode, 2) << swap << "\n" << run.output;
    EXPECT_NE(run.output.find("src/data.txt"), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(dir.Path() + "/out.exe")) << swap;
  }
}

TEST(PackCommandLine, RefusesAnOutputInsideTheSource) {
  TempDir dir;
  fs::create_directories(dir.Path() + "/src/deep");
  WriteFile(dir.Path() + "/src/setup.exe", std::string("MZ"));
  WriteFile(dir.Path() + "/stub", StandInStub());
  for (const std::string out : {"/src/x.exe", "/src/deep/x.exe", "/src/../src/deep/x.exe"}) {
    const RunResult run = RunStubpack(
        {"pack", "--stub", dir.Path() + "/stub", dir.Path() + "/src", "-o", dir.Path() + out});
    EXPECT_EQ(run.exitCode, 2) << out;
    EXPECT_NE(run.output.find("inside the source"), std::string::npos) << run.output;
  }
  // A sibling whose name merely starts like the source is fine.
  const RunResult run = RunStubpack({"pack", "-q", "--stub", dir.Path() + "/stub",
                                     dir.Path() + "/src", "-o", dir.Path() + "/src2.exe"});
  EXPECT_EQ(run.exitCode, 0) << run.output;
}

TEST(PackCommandLine, RefusesUnreadableFiles) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  TempDir dir;
  fs::create_directories(dir.Path() + "/src");
  WriteFile(dir.Path() + "/src/secret", std::string("x"));
  chmod((dir.Path() + "/src/secret").c_str(), 0);
  WriteFile(dir.Path() + "/stub", StandInStub());
  const RunResult run = RunStubpack(
      {"pack", "--stub", dir.Path() + "/stub", dir.Path() + "/src", "-o", dir.Path() + "/o"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.output.find("cannot read"), std::string::npos) << run.output;
}

TEST(PackCommandLine, AcceptsNamesWindowsKeepsApart) {
  TempDir dir;
  const std::string source = dir.Path() + "/src";
  fs::create_directories(source + "/\xC3\xBC");         // ü
  fs::create_directories(source + "/u");
  WriteFile(source + "/Setup.EXE", std::string("MZ"));  // Windows runs it as setup.exe
  WriteFile(source + "/.hidden", std::string("x"));
  WriteFile(dir.Path() + "/stub", StandInStub());
  const SplitRun run = RunStubpackIn(
      dir.Path(), {"pack", "-q", "--stub", "stub", "src", "-o", dir.Path() + "/o"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  // Only the code page draws a remark.
  EXPECT_EQ(run.err.rfind("stubpack: warning: \"\xC3\xBC\": a name beyond ASCII", 0), 0u)
      << run.err;
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
}

// A tree without setup.exe at its top makes an installer that runs nothing: refused, naming
// the nearest setup.exe below the top, unless asked for.
TEST(PackCommandLine, RefusesATreeWithoutSetupExeUnlessAllowed) {
  const struct {
    std::vector<std::string> files;
    std::vector<std::string> options;
    int exitCode;
    std::string message;
  } rows[] = {
      {{"Setup.exe.txt"}, {}, 2, "src has no setup.exe at its top"},
      {{"b/c/setup.exe", "Acme-1.2/SETUP.EXE", "z/setup.exe"}, {}, 2,
       "the nearest is " + std::string("src/Acme-1.2/SETUP.EXE")},
      {{"setup.exe/readme"}, {}, 2, "there is none below it either"},
      {{"Setup.exe.txt"}, {"--allow-no-setup"}, 0, ""},
  };
  for (const auto& row : rows) {
    TempDir dir;
    for (const std::string& file : row.files) {
      fs::create_directories(fs::path(dir.Path() + "/src/" + file).parent_path());
      WriteFile(dir.Path() + "/src/" + file, std::string("MZ"));
    }
    std::vector<std::string> args = {"pack", "-q", "--stub", "native", "src", "-o", "o"};
    args.insert(args.end(), row.options.begin(), row.options.end());
    const SplitRun run = RunStubpackIn(dir.Path(), args);
    EXPECT_EQ(run.exitCode, row.exitCode) << row.files[0] << "\n" << run.err;
    EXPECT_NE(run.err.find(row.message), std::string::npos) << row.files[0] << "\n" << run.err;
    EXPECT_EQ(fs::exists(dir.Path() + "/o"), row.exitCode == 0) << row.files[0];
    if (row.exitCode != 0) continue;
    // The installer unpacks, runs nothing and ends well.
    const RunResult installer = RunShell("cd " + ShellQuote(dir.Path()) + " && ./o");
    EXPECT_EQ(installer.exitCode, 0) << installer.output;
  }
}

TEST(PackCommandLine, UsesTheLinuxStubBesideStubpackOnRequest) {
  const std::string beside = fs::path(StubpackPath()).parent_path().string() + "/stub";
  if (!fs::exists(beside)) GTEST_SKIP() << "no stub built beside stubpack";
  TempDir dir;
  fs::create_directories(dir.Path() + "/src");
  WriteFile(dir.Path() + "/src/setup.exe", std::string("MZ"));
  const RunResult run = RunStubpack(
      {"pack", "-q", "--stub=native", dir.Path() + "/src", "-o", dir.Path() + "/installer"});
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const std::vector<uint8_t> stub = ReadFile(beside);
  const std::vector<uint8_t> installer = ReadFile(dir.Path() + "/installer");
  ASSERT_GT(installer.size(), stub.size() + 36);
  EXPECT_TRUE(std::equal(stub.begin(), stub.end(), installer.begin()));
  EXPECT_EQ(ArchiveOf(installer, stub.size())[0], 0x37);
  EXPECT_EQ(access((dir.Path() + "/installer").c_str(), X_OK), 0);
}

TEST(PackCommandLine, PacksAnEmptySourceIntoAnArchiveOthersCanRead) {
  TempDir dir;
  fs::create_directories(dir.Path() + "/src");
  WriteFile(dir.Path() + "/stub", StandInStub());
  const RunResult run = RunStubpack(
      {"pack", "--allow-no-setup", "--stub", dir.Path() + "/stub", dir.Path() + "/src", "-o",
       dir.Path() + "/o"});
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const std::vector<uint8_t> installer = ReadFile(dir.Path() + "/o");
  WriteFile(dir.Path() + "/o.7z", ArchiveOf(installer, StandInStub().size()));
  if (RunShell("command -v bsdtar").exitCode != 0) GTEST_SKIP() << "bsdtar is not installed";
  const RunResult list = RunShell("bsdtar -tf " + ShellQuote(dir.Path() + "/o.7z"));
  EXPECT_EQ(list.exitCode, 0) << list.output;
  EXPECT_EQ(list.output, "");
}

}  // namespace

namespace {

// pack names what may fail on the user's machine; --strict makes that fatal, before writing.
TEST(PackCommandLine, StrictFailsOnWarningsAndWritesNothing) {
  TempDir dir;
  fs::create_directories(dir.Path() + "/src");
  WriteFile(dir.Path() + "/src/setup.exe", std::string("MZ"));
  WriteFile(dir.Path() + "/src/LONGNA~1.TXT", std::string("a"));
  WriteFile(dir.Path() + "/src/longname-one.txt", std::string("b"));
  for (bool strict : {true, false}) {
    std::vector<std::string> args = {"pack", "-q", "--stub", "native", "src", "-o", "o"};
    if (strict) args.push_back("--strict");
    const SplitRun run = RunStubpackIn(dir.Path(), args);
    EXPECT_EQ(run.exitCode, strict ? 1 : 0) << run.err;
    EXPECT_NE(run.err.find("stubpack: warning: \"LONGNA~1.TXT\" is shaped like"),
              std::string::npos) << run.err;
    EXPECT_EQ(fs::exists(dir.Path() + "/o"), !strict);
  }
}

}  // namespace
