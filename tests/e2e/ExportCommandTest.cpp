// stubpack export: the archive part of an installer as a file of its own, which other 7z
// readers open when the installer was packed with --plain-header.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "StubpackRun.h"
#include "fixtures/CaseName.h"
#include "stubpack/TestFiles.h"

namespace fs = std::filesystem;

namespace {

bool HaveReader(const std::string& command) { return RunShell("command -v " + command).exitCode == 0; }

void BuildExportTree(const std::string& root) {
  fs::create_directories(root + "/sub/empty");
  WriteFile(root + "/setup.exe", std::string("MZ"));
  WriteFile(root + "/sub/zero", std::string());
  WriteFile(root + "/sub/données.txt", std::string(50000, 'x') + "end\n");
  WriteFile(root + "/random.bin", RandomBytes(100000, 8));
  const std::vector<std::string> dlls = SmallMingwDlls();
  if (!dlls.empty()) fs::copy_file(dlls[0], root + "/sub/code.dll");
}

// Packs, exports, and lets another reader extract the export; the tree must come back whole.
TEST(ExportCommand, RoundTripThroughOtherReaders) {
  struct Reader {
    const char* command;
    const char* extract;              // then the archive and the directory
    std::vector<std::string> pack;    // options the reader needs
  };
  // py7zr does not read BCJ2 folders: its installer is packed without them.
  const Reader readers[] = {{"bsdtar", "bsdtar -xf {} -C {}", {"--plain-header"}},
                            {"py7zr", "py7zr x {} {}", {"--plain-header", "--bcj2", "off"}}};
  for (const Reader& reader : readers) {
    if (!HaveReader(reader.command)) {
      ADD_FAILURE() << reader.command << " is not installed (scripts/install-deps.sh)";
      continue;
    }
    TempDir dir;
    BuildExportTree(dir.Path() + "/src");
    WriteFile(dir.Path() + "/stub", StandInStub(70000));
    std::vector<std::string> args = {"pack", "-q", "--stub", dir.Path() + "/stub",
                                     dir.Path() + "/src", "-o", dir.Path() + "/i.exe"};
    args.insert(args.end(), reader.pack.begin(), reader.pack.end());
    ASSERT_EQ(RunStubpack(args).exitCode, 0);
    const RunResult exported =
        RunStubpack({"export", dir.Path() + "/i.exe", "-o", dir.Path() + "/a.7z"});
    ASSERT_EQ(exported.exitCode, 0) << exported.output;
    EXPECT_TRUE(ReadFile(dir.Path() + "/a.7z") ==
                ArchiveOf(ReadFile(dir.Path() + "/i.exe"), 70000));
    struct stat info;
    ASSERT_EQ(stat((dir.Path() + "/a.7z").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    std::string command = reader.extract;
    command.replace(command.find("{}"), 2, ShellQuote(dir.Path() + "/a.7z"));
    command.replace(command.find("{}"), 2, ShellQuote(dir.Path() + "/out"));
    fs::create_directory(dir.Path() + "/out");
    const RunResult extract = RunShell(command);
    ASSERT_EQ(extract.exitCode, 0) << reader.command << "\n" << extract.output;
    const RunResult diff = RunShell("diff -r " + ShellQuote(dir.Path() + "/src") + " " +
                                    ShellQuote(dir.Path() + "/out"));
    EXPECT_EQ(diff.exitCode, 0) << reader.command << "\n" << diff.output;
  }
}

struct BadExport {
  const char* name;
  std::function<void(const std::string& dir)> prepare;  // after i.exe is packed
  const char* output;   // relative to the test directory
  int exitCode;
  const char* message;
};
void PrintTo(const BadExport& row, std::ostream* out) { *out << row.name; }

class ExportRefuses : public ::testing::TestWithParam<BadExport> {};

TEST_P(ExportRefuses, WithoutWritingAnything) {
  TempDir dir;
  BuildExportTree(dir.Path() + "/src");
  WriteFile(dir.Path() + "/stub", StandInStub());
  ASSERT_EQ(RunStubpack({"pack", "-q", "--stub", dir.Path() + "/stub", dir.Path() + "/src",
                         "-o", dir.Path() + "/i.exe"})
                .exitCode,
            0);
  GetParam().prepare(dir.Path());
  const std::vector<uint8_t> before = ReadFile(dir.Path() + "/i.exe");
  const std::string output = dir.Path() + "/" + GetParam().output;
  const bool existed = fs::exists(output);
  const RunResult run = RunStubpack({"export", dir.Path() + "/i.exe", "-o", output});
  EXPECT_EQ(run.exitCode, GetParam().exitCode) << run.output;
  EXPECT_NE(run.output.find(GetParam().message), std::string::npos) << run.output;
  EXPECT_TRUE(ReadFile(dir.Path() + "/i.exe") == before);
  EXPECT_EQ(fs::exists(output), existed);
  EXPECT_FALSE(fs::exists(output + ".partial"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExportRefuses,
    ::testing::Values(
        BadExport{"NotAnInstaller",
                  [](const std::string& d) { WriteFile(d + "/i.exe", std::string("text")); },
                  "a.7z", 2, "is not an installer"},
        BadExport{"DamagedArchive",
                  [](const std::string& d) {
                    std::vector<uint8_t> bytes = ReadFile(d + "/i.exe");
                    // The archive's last bytes are its header's: the header CRC fails.
                    const size_t archiveEnd =
                        StandInStub().size() + 4 + ArchiveOf(bytes, StandInStub().size()).size();
                    bytes[archiveEnd - 3] ^= 0xFF;
                    WriteFile(d + "/i.exe", bytes);
                  },
                  "a.7z", 1, "the stub would refuse this installer"},
        BadExport{"OverTheInstaller", [](const std::string&) {}, "i.exe", 2,
                  "it is the installer being exported"},
        BadExport{"IntoADirectory",
                  [](const std::string& d) { fs::create_directory(d + "/a.7z"); }, "a.7z", 2,
                  "a directory"}),
    CaseName());

}  // namespace
