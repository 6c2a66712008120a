// Archives written by bsdtar, an independent writer, appended to the stub: what the stub reads
// it must extract exactly; what it does not read it must refuse the general way.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "InstallerProcess.h"
#include "stubpack/TestFiles.h"

namespace {

class BsdtarInstaller : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v bsdtar >/dev/null 2>&1") != 0) GTEST_SKIP() << "no bsdtar";
    SKIP_UNLESS_STUB_FITS();
  }
  // bsdtar's archive of the named files of `src`, as an installer.
  std::string Installer(const std::string& options, const std::string& names) {
    const std::string archive = work.Path() + "/out.7z";
    std::filesystem::remove(archive);
    RunResult tar = RunShell("cd " + ShellQuote(src) + " && bsdtar --format 7zip " + options +
                             " -cf " + ShellQuote(archive) + " " + names);
    EXPECT_EQ(tar.exitCode, 0) << tar.output;
    const std::string installer = work.Path() + "/installer" + std::to_string(++count);
    WriteInstaller(installer, ReadBytes(archive));
    return installer;
  }

  TempDir tempRoot;
  TempDir work;
  std::string src = work.Path() + "/src";
  int count = 0;
};

TEST_F(BsdtarInstaller, SingleEntryArchiveExtractsAndRuns) {
  std::filesystem::create_directories(src);
  const std::string script =
      "#!/bin/sh\ncp setup.exe \"$1\"\nprintf '%s|' \"$@\" > \"$1.args\"\n" +
      std::string(5000, '#') + "\n";
  WriteFile(src + "/setup.exe", script);
  chmod((src + "/setup.exe").c_str(), 0755);
  const std::string installer = Installer("", "setup.exe");
  const std::string copy = work.Path() + "/copy";

  RunResult run = RunInstaller(installer, tempRoot.Path(), {copy, "x y"});
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(ReadFile(copy) == ReadFile(src + "/setup.exe"));
  const std::vector<uint8_t> args = ReadFile(copy + ".args");
  EXPECT_EQ(std::string(args.begin(), args.end()), copy + "|x y|");
  EXPECT_TRUE(DirectoryEntries(tempRoot.Path()).empty());

  RunResult check = RunStubpack({"check", installer});
  EXPECT_EQ(check.exitCode, 0) << check.output;
  EXPECT_NE(check.output.find("1 CRC verified"), std::string::npos) << check.output;
  const std::string out = work.Path() + "/extracted";
  RunResult extract = RunStubpack({"extract", installer, out});
  ASSERT_EQ(extract.exitCode, 0) << extract.output;
  EXPECT_TRUE(ReadFile(out + "/setup.exe") == ReadFile(src + "/setup.exe"));
  EXPECT_EQ(DirectoryEntries(out), std::vector<std::string>{"setup.exe"});
}

TEST_F(BsdtarInstaller, CompressedHeaderAndStoredDataAreRefused) {
  std::filesystem::create_directories(src + "/dir");
  WriteFile(src + "/setup.exe", "#!/bin/sh\ntouch \"$TMPDIR/ran\"\n");
  chmod((src + "/setup.exe").c_str(), 0755);
  WriteFile(src + "/dir/a.txt", "first file");
  WriteFile(src + "/b.txt", std::string(3000, 'b'));
  struct Case {
    const char* what;
    std::string options, names, rule;
  } cases[] = {
      {"several entries: compressed header", "", "setup.exe dir b.txt", "header is compressed"},
      {"stored data: Copy coder", "--options 7zip:compression=store", "setup.exe", "uses Copy"},
  };
  for (const Case& c : cases) {
    const std::string installer = Installer(c.options, c.names);
    RunResult run = RunInstaller(installer, tempRoot.Path());
    EXPECT_EQ(run.exitCode, 1) << c.what << "\n" << run.output;
    EXPECT_NE(run.output.find(kGeneralFailureBox), std::string::npos) << c.what << "\n" << run.output;
    EXPECT_TRUE(DirectoryEntries(tempRoot.Path()).empty()) << c.what;
    RunResult check = RunStubpack({"check", installer});
    EXPECT_EQ(check.exitCode, 1) << check.output;
    EXPECT_NE(check.output.find(c.rule), std::string::npos) << c.what << "\n" << check.output;
  }
}

}  // namespace
