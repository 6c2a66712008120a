// Packing on several threads: the installer's bytes do not depend on the thread count, and a
// failure in one folder stops the whole pack without output.
#include <gtest/gtest.h>

#include <filesystem>

#include "StubpackRun.h"
#include "stubpack/TestFiles.h"

namespace fs = std::filesystem;

namespace {

// Small folders and quick settings: several folders, one of them BCJ2 when DLLs are there.
const std::vector<std::string> kQuick = {"--solid-size", "256K", "--fast", "--mf", "hc4",
                                         "--nice-len", "32", "--dict", "1M"};

void BuildMultiFolderTree(const std::string& root) {
  fs::create_directories(root + "/docs");
  WriteFile(root + "/setup.exe", std::string("MZ"));
  for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) {
    std::string text;
    for (int i = 0; text.size() < 200000; ++i) text += std::string(name) + " line " + std::to_string(i * 31 % 977) + "\n";
    WriteFile(root + "/docs/" + name, text);
  }
  WriteFile(root + "/random.bin", RandomBytes(300000, 5));
  const std::vector<std::string> dlls = SmallMingwDlls();
  for (size_t i = 0; i < dlls.size() && i < 2; ++i)
    fs::copy_file(dlls[i], root + "/" + fs::path(dlls[i]).filename().string());
}

std::vector<std::string> PackArgs(const std::string& dir, const std::string& out,
                                  const std::vector<std::string>& extra) {
  std::vector<std::string> args = {"pack", "-q", "--stub", dir + "/stub", dir + "/src", "-o", out};
  args.insert(args.end(), kQuick.begin(), kQuick.end());
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

TEST(PackThreads, SameBytesWhateverTheThreadCount) {
  TempDir dir;
  BuildMultiFolderTree(dir.Path() + "/src");
  WriteFile(dir.Path() + "/stub", StandInStub());
  const std::vector<std::vector<std::string>> counts = {{"--threads", "1"}, {"--threads", "2"},
                                                        {"--threads", "5"}, {}};
  std::vector<uint8_t> first;
  for (const auto& threads : counts) {
    const std::string out = dir.Path() + "/out.exe";
    const RunResult run = RunStubpack(PackArgs(dir.Path(), out, threads));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    if (first.empty()) {
      first = ReadFile(out);
      const RunResult check = RunStubpack({"check", out});
      ASSERT_EQ(check.exitCode, 0) << check.output;
      EXPECT_NE(check.output.find("folder 4:"), std::string::npos) << "too few folders\n"
                                                                   << check.output;
    } else {
      EXPECT_TRUE(ReadFile(out) == first) << (threads.empty() ? "default" : threads[1]);
    }
  }
}

// c.txt, in a folder after the first, changes size between the scan and its reading.
TEST(PackThreads, FailureInOneFolderStopsThePackWithoutOutput) {
  TempDir dir;
  BuildMultiFolderTree(dir.Path() + "/src");
  WriteFile(dir.Path() + "/stub", StandInStub());
  std::string args;
  for (const std::string& arg : PackArgs(".", "out.exe", {"--threads", "2"}))
    args += " " + ShellQuote(arg);
  const RunResult run = RunShell(
      "(cd " + ShellQuote(dir.Path()) + " && { env LD_PRELOAD=" +
      ShellQuote(PAUSE_PRELOAD_PATH) + " ASAN_OPTIONS=verify_asan_link_order=0" +
      " STUBKIT_PAUSE_AT=c.txt STUBKIT_PAUSE_MARK=mark timeout -s KILL 60 " +
      ShellQuote(StubpackPath()) + args + " & } && " +
      "for i in $(seq 2000); do [ -e mark ] && break; sleep 0.01; done && " +
      "echo more >> src/docs/c.txt && rm mark && wait $!)");
  EXPECT_EQ(run.exitCode, 2) << run.output;
  EXPECT_NE(run.output.find("c.txt changed size"), std::string::npos) << run.output;
  EXPECT_FALSE(fs::exists(dir.Path() + "/out.exe"));
  EXPECT_FALSE(fs::exists(dir.Path() + "/out.exe.partial"));
}

}  // namespace
