// `cmake --install` into a fresh prefix: the installed stubpack finds the installed stubs and
// makes a Windows installer unless asked for the Linux stub; its man page reads.
#include <gtest/gtest.h>

#include <filesystem>

#include "StubpackRun.h"
#include "stubpack/TestFiles.h"

namespace fs = std::filesystem;

namespace {

TEST(Install, InstalledStubpackPacksAWindowsInstallerByDefault) {
  if (!fs::exists(fs::path(StubpackPath()).parent_path() / "stub.exe"))
    GTEST_SKIP() << "stub.exe is not built here (no mingw-w64 cross compiler)";
  TempDir dir;
  const std::string prefix = dir.Path() + "/prefix";
  const RunResult install = RunShell("cmake --install " + ShellQuote(STUBKIT_BINARY_DIR) +
                                     " --prefix " + ShellQuote(prefix));
  ASSERT_EQ(install.exitCode, 0) << install.output;
  const std::string stubpack = ShellQuote(prefix + "/bin/stubpack");
  fs::create_directories(dir.Path() + "/tree");
  WriteFile(dir.Path() + "/tree/setup.exe", std::string("MZ"));

  const RunResult pack = RunShell(stubpack + " pack -q " + ShellQuote(dir.Path() + "/tree") +
                                  " -o " + ShellQuote(dir.Path() + "/setup-installer.exe"));
  ASSERT_EQ(pack.exitCode, 0) << pack.output;
  // A PE image for i386: "MZ", then "PE\0\0" and machine 0x14C where e_lfanew points.
  const std::vector<uint8_t> installer = ReadFile(dir.Path() + "/setup-installer.exe");
  ASSERT_GT(installer.size(), 0x40u);
  const uint32_t pe = installer[0x3C] | installer[0x3D] << 8 | installer[0x3E] << 16;
  ASSERT_LT(pe + 6, installer.size());
  EXPECT_EQ(std::string(installer.begin(), installer.begin() + 2), "MZ");
  EXPECT_EQ(std::string(installer.begin() + pe, installer.begin() + pe + 4),
            std::string("PE\0\0", 4));
  EXPECT_EQ(installer[pe + 4] | installer[pe + 5] << 8, 0x14C);
  const RunResult check = RunShell(stubpack + " check " +
                                   ShellQuote(dir.Path() + "/setup-installer.exe"));
  EXPECT_EQ(check.exitCode, 0) << check.output;

  const RunResult native = RunShell(stubpack + " pack -q --stub native " +
                                    ShellQuote(dir.Path() + "/tree") + " -o " +
                                    ShellQuote(dir.Path() + "/linux-installer"));
  ASSERT_EQ(native.exitCode, 0) << native.output;
  EXPECT_EQ(ReadFile(dir.Path() + "/linux-installer")[0], 0x7F);

  const RunResult version = RunShell(stubpack + " --version");
  EXPECT_NE(version.output.find("/share/stubkit/stub.exe (Windows stub "), std::string::npos)
      << version.output;
}

// The man page is installed where man looks for it, and man reads it without a warning.
TEST(Install, ManPageReads) {
  TempDir dir;
  const std::string prefix = dir.Path() + "/prefix";
  const RunResult install = RunShell("cmake --install " + ShellQuote(STUBKIT_BINARY_DIR) +
                                     " --prefix " + ShellQuote(prefix));
  ASSERT_EQ(install.exitCode, 0) << install.output;
  const RunResult man = RunShell("MANWIDTH=80 man --warnings -l " +
                                 ShellQuote(prefix + "/share/man/man1/stubpack.1"));
  EXPECT_EQ(man.exitCode, 0) << man.output;
  for (const char* text : {"STUBPACK(1)", "stubpack pack [options] SOURCE_DIR -o INSTALLER",
                           "--plain-header", "EXIT STATUS"}) {
    EXPECT_NE(man.output.find(text), std::string::npos) << text << "\n" << man.output;
  }
  EXPECT_EQ(man.output.find("warning:"), std::string::npos) << man.output;
}

}  // namespace
