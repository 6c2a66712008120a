// stubpack's command line as a user meets it: for each row the arguments (run in a scratch
// directory holding a tree "src", a stand-in stub "stub", an installer "good.exe" and its
// archive alone, "bare.7z"), the exit
// code, the stream that must carry the message and a fragment of it (an empty fragment: the
// stream stays empty).
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "StubpackRun.h"
#include "driver/StubTag.h"
#include "format/SignatureScan.h"
#include "stubpack/TestFiles.h"

namespace fs = std::filesystem;

namespace {

enum Stream { kOut, kErr };

struct Row {
  std::vector<std::string> args;
  int exitCode;
  Stream stream;
  std::string fragment;
  std::vector<std::string> environment = {};
};

class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir.Path() + "/src/sub");
    WriteFile(dir.Path() + "/src/Setup.EXE", std::string("MZ setup"));
    WriteFile(dir.Path() + "/src/sub/data.txt", std::string("data"));
    fs::create_directories(dir.Path() + "/-src");
    WriteFile(dir.Path() + "/stub", StandInStub());
    ASSERT_EQ(RunStubpackIn(dir.Path(), {"pack", "-q", "--stub", "native", "src", "-o",
                                         "good.exe"}).exitCode, 0);
    const std::vector<uint8_t> installer = ReadFile(dir.Path() + "/good.exe");
    const auto signature = ArchiveSignatureBytes();
    const auto archive =
        std::search(installer.begin(), installer.end(), signature.begin(), signature.end());
    WriteFile(dir.Path() + "/bare.7z", std::vector<uint8_t>(archive, installer.end()));
  }
  TempDir dir;
};

TEST_F(CommandLine, ArgumentsExitCodesAndMessages) {
  const std::string version = "stubpack " STUBKIT_VERSION;
  const Row rows[] = {
      {{"--help"}, 0, kOut, "usage: stubpack [--version] COMMAND"},
      {{"-h"}, 0, kErr, ""},
      {{"pack", "--help"}, 0, kOut, "usage: stubpack pack [options] SOURCE_DIR -o INSTALLER"},
      {{"list", "--help"}, 0, kOut, "usage: stubpack list [--json] INSTALLER"},
      {{"check", "-h"}, 0, kOut, "--json"},
      {{"extract", "--help"}, 0, kOut, "usage: stubpack extract INSTALLER DIR"},
      {{"help", "pack"}, 0, kOut, "--solid-size"},
      {{"help"}, 0, kOut, "extract"},
      {{"help", "--help"}, 0, kOut, "usage: stubpack help [COMMAND]"},
      {{"help", "list", "-h"}, 0, kOut, "usage: stubpack list"},
      {{"pack", "--help"}, 0, kOut,
       "  --plain-header              file list uncompressed in the header and BCJ2\n"},
      {{"--version"}, 0, kOut, version},
      {{"-V"}, 0, kOut, version},
      {{}, 2, kErr, "stubpack: no command given\nusage: stubpack"},
      {{"frob"}, 2, kErr, "unknown command frob\nusage: stubpack"},
      {{"help", "frob"}, 2, kErr, "no command frob"},
      {{"pack", "--frob", "src", "-o", "x.exe"}, 2, kErr,
       "stubpack pack: unknown option --frob\nusage: stubpack pack [options]"},
      {{"pack", "--frob=1", "src"}, 2, kErr, "unknown option --frob\n"},
      {{"pack", "src", "extra", "-o", "x.exe"}, 2, kErr, "unexpected argument extra"},
      {{"pack", "src"}, 2, kErr, "--output is required"},
      {{"-o", "x.exe", "pack", "src"}, 2, kErr,
       "stubpack pack: -o belongs after the command: stubpack pack -o x.exe src\nusage: "},
      {{"--json", "check", "my installer"}, 2, kErr,
       "--json belongs after the command: stubpack check --json 'my installer'\n"},
      {{"pack", "--dict=5", "src", "-o", "x.exe"}, 2, kErr, "--dict: takes a size from 4K"},
      {{"pack", "--solid-size", "12X", "src", "-o", "x.exe"}, 2, kErr, "bad size"},
      {{"pack", "--lc", "9", "src", "-o", "x.exe"}, 2, kErr, "--lc"},
      {{"pack", "--lc=3", "--lp=2", "src", "-o", "x.exe"}, 2, kErr, "at most 4"},
      {{"pack", "--bcj2=maybe", "src", "-o", "x.exe"}, 2, kErr, "--bcj2"},
      {{"pack", "--stub=/etc/passwd", "src", "-o", "x.exe"}, 2, kErr, "is not a stubkit stub"},
      {{"pack", "--stub", "nosuch.exe", "src", "-o", "x.exe"}, 2, kErr,
       "cannot read the stub nosuch.exe: No such file or directory\n"},
      {{"pack", "--stub", "good.exe", "src", "-o", "x.exe"}, 2, kErr, "archive signature"},
      {{"pack", "--stub", "stub", "src", "-o", "x.exe"}, 0, kOut,
       "packed 2 files and 1 folder, 12 bytes, into x.exe: "},
      {{"pack", "--stub", "stub", "src", "-o", "x.exe"}, 0, kErr, ""},
      {{"pack", "-q", "--stub=stub", "src", "--output=x.exe"}, 0, kOut, ""},
      {{"pack", "-q", "--stub", "stub", "-o", "x.exe", "--", "-src"}, 2, kErr,
       "-src has no setup.exe at its top"},
      {{"pack", "-q", "--stub", "stub", "src", "-o", "x.exe"}, 2, kErr,
       "SOURCE_DATE_EPOCH must be a number of seconds from 0 to 253402300799",
       {"SOURCE_DATE_EPOCH=99999999999999"}},
      {{"list", "nosuch.bin"}, 2, kErr, "cannot read nosuch.bin: No such file or directory"},
      {{"check", "nosuch.bin"}, 2, kErr, "cannot read nosuch.bin: No such file or directory"},
      {{"extract", "nosuch.bin", "new/dir"}, 2, kErr, "cannot read nosuch.bin: No such file"},
      {{"list", "src"}, 2, kErr, "cannot read src: not a regular file"},
      {{"list", "src/sub/data.txt"}, 2, kErr,
       "src/sub/data.txt is not an installer: it holds no 7z archive where the stub looks"},
      {{"check", "stub"}, 2, kErr, "stub is not an installer"},
      {{"check", "stub"}, 2, kOut, ""},
      {{"check", "bare.7z"}, 2, kErr,
       "bare.7z is not an installer: it is a 7z archive with no stub in front of it"},
      {{"check", "bare.7z"}, 2, kOut, ""},
      {{"extract", "bare.7z", "new/dir"}, 2, kErr, "bare.7z is not an installer"},
      {{"list"}, 2, kErr, "INSTALLER is required\nusage: stubpack list"},
      {{"extract", "good.exe"}, 2, kErr, "DIR is required"},
      {{"list", "good.exe"}, 0, kOut, "sub/data.txt\n"},
      {{"check", "--json", "good.exe"}, 0, kOut, "\"accepted\":true,\"reason\":null"},
      {{"check", "good.exe"}, 0, kOut, "stubpack: the stub accepts this installer\n"},
      {{"check", "good.exe"}, 0, kOut, "header: plain, 3 entries, 1 folder\n"},
  };
  for (const Row& row : rows) {
    std::string shown;
    for (const std::string& arg : row.args) shown += " " + arg;
    const SplitRun run = RunStubpackIn(dir.Path(), row.args, row.environment);
    EXPECT_EQ(run.exitCode, row.exitCode) << shown << "\n" << run.out << run.err;
    const std::string& stream = row.stream == kOut ? run.out : run.err;
    if (row.fragment.empty()) {
      EXPECT_EQ(stream, "") << shown;
    } else {
      EXPECT_NE(stream.find(row.fragment), std::string::npos)
          << shown << "\nexpected \"" << row.fragment << "\" in\n" << stream;
    }
    // A usage error is one line on what is wrong, then the usage line.
    if (row.exitCode == 2 && run.err.find("usage: ") != std::string::npos) {
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 2) << shown << "\n" << run.err;
    }
  }
  EXPECT_FALSE(fs::exists(dir.Path() + "/new")) << "extract made a directory for nothing";
}

// Every help fits a terminal of 80 columns.
TEST_F(CommandLine, HelpFitsEightyColumns) {
  for (const char* command : {"", "pack", "list", "check", "extract", "help"}) {
    std::vector<std::string> args = {"--help"};
    if (*command != '\0') args.insert(args.begin(), command);
    const SplitRun run = RunStubpackIn(dir.Path(), args);
    size_t start = 0;
    for (size_t end; (end = run.out.find('\n', start)) != std::string::npos; start = end + 1)
      EXPECT_LE(end - start, 80u) << command << ": " << run.out.substr(start, end - start);
  }
}

// The places -o must not write to, each refused with exit code 2 and left as it was.
TEST_F(CommandLine, OutputRefusals) {
  const std::string d = dir.Path();
  mkfifo((d + "/fifo").c_str(), 0644);
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  const std::string socketPath = d + "/socket";
  ASSERT_LT(socketPath.size(), sizeof(address.sun_path));
  std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  fs::create_symlink(d + "/stub", d + "/link-to-stub");
  fs::create_symlink(d + "/nowhere", d + "/dangling");
  const std::vector<uint8_t> stubBytes = ReadFile(d + "/stub");
  struct Case {
    std::string output;
    std::string message;
  } cases[] = {
      {"/dev/null", "a device"},       {"/dev/full", "a device"},
      {"fifo", "a FIFO"},              {"socket", "a socket"},
      {"sub-of-nothing/x.exe", "no such directory"},
      {".", "a directory"},            {"stub", "it is the stub the installer is built on"},
      {"link-to-stub", "it is the stub the installer is built on"},
      {"dangling", "a symbolic link to nothing"},
      {StubpackPath(), "it is the running stubpack"},
      {"src/inside.exe", "inside the source directory"},
  };
  for (const Case& c : cases) {
    const SplitRun run = RunStubpackIn(d, {"pack", "-q", "--stub", "stub", "src", "-o", c.output});
    EXPECT_EQ(run.exitCode, 2) << c.output << "\n" << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.output << "\n" << run.err;
    EXPECT_FALSE(fs::exists(c.output + ".partial")) << c.output;
  }
  close(sock);
  EXPECT_EQ(ReadFile(d + "/stub"), stubBytes);
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_TRUE(fs::is_fifo(d + "/fifo"));
  EXPECT_FALSE(fs::exists(d + "/src/inside.exe"));
}

// An existing installer is replaced whole, a link to one keeps pointing at the new installer,
// a partial file left by a killed run is replaced, and a link in its place is never followed.
TEST_F(CommandLine, ReplacesARegularFileThroughALink) {
  const std::string d = dir.Path();
  WriteFile(d + "/real.exe", std::string("old installer"));
  WriteFile(d + "/victim", std::string("someone's file"));
  fs::create_symlink("real.exe", d + "/link.exe");
  fs::create_symlink("victim", d + "/real.exe.partial");
  const std::vector<std::string> args = {"pack", "-q", "--stub", "stub", "src", "-o", "link.exe"};
  SplitRun run = RunStubpackIn(d, args);
  EXPECT_EQ(run.exitCode, 2) << run.err;
  EXPECT_NE(run.err.find("cannot create " + d + "/real.exe.partial"), std::string::npos)
      << run.err;
  EXPECT_EQ(ReadFile(d + "/victim").size(), 14u);

  fs::remove(d + "/real.exe.partial");
  WriteFile(d + "/real.exe.partial", std::string("left by a killed run"));
  run = RunStubpackIn(d, args);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(fs::is_symlink(d + "/link.exe"));
  const std::vector<uint8_t> stub = ReadFile(d + "/stub");
  const std::vector<uint8_t> installer = ReadFile(d + "/real.exe");
  ASSERT_GT(installer.size(), stub.size());
  EXPECT_TRUE(std::equal(stub.begin(), stub.end(), installer.begin()));
  EXPECT_FALSE(fs::exists(d + "/real.exe.partial"));
}

// SIGTERM while packing removes the partial file and ends the run by that signal.
TEST_F(CommandLine, InterruptedPackLeavesNothing) {
  const std::string d = dir.Path();
  WriteFile(d + "/src/big.bin", RandomBytes(24u << 20, 5));
  const RunResult run = RunShell(
      "cd " + ShellQuote(d) + " && { " + ShellQuote(StubpackPath()) +
      " pack -q --stub stub src -o out.exe & pid=$!; "
      "while [ ! -e out.exe.partial ] && kill -0 $pid 2>/dev/null; do sleep 0.02; done; "
      "sleep 0.2; kill -TERM $pid; wait $pid; echo \"exit $?\"; }");
  EXPECT_NE(run.output.find("exit 143"), std::string::npos) << run.output;
  EXPECT_FALSE(fs::exists(d + "/out.exe.partial"));
  EXPECT_FALSE(fs::exists(d + "/out.exe"));
}

// On a terminal the progress bar ends at 100 %, also when BCJ2 takes branch targets out of the
// stream whose progress is counted; the summary line follows.
TEST_F(CommandLine, ProgressEndsAtOneHundredPercent) {
  if (RunShell("command -v script").exitCode != 0) GTEST_SKIP() << "no script(1) for a terminal";
  WriteFile(dir.Path() + "/src/random.bin", RandomBytes(5u << 20, 8));
  const RunResult run = RunShell("cd " + ShellQuote(dir.Path()) + " && script -qec " +
                                 ShellQuote(ShellQuote(StubpackPath()) +
                                            " pack --fast --bcj2 on --stub stub src -o p.exe") +
                                 " /dev/null");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const size_t summary = run.output.find("packed 3 files");
  ASSERT_NE(summary, std::string::npos) << run.output;
  const size_t last = run.output.rfind('%', summary);
  ASSERT_TRUE(last != std::string::npos && last >= 3) << run.output;
  EXPECT_EQ(run.output.substr(last - 3, 4), "100%") << run.output;
}

}  // namespace
