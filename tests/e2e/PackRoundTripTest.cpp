// Whole packs read back by an independent 7z reader (bsdtar): every entry must come back
// with identical bytes, times and read-only state, for each layout stubpack can choose with
// --plain-header, the form for other readers.
#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "StubpackRun.h"
#include "fixtures/CaseName.h"
#include "stubpack/TestFiles.h"

namespace fs = std::filesystem;

namespace {

bool HaveBsdtar() { return RunShell("command -v bsdtar").exitCode == 0; }

// The tree every round trip packs; DLLs go in when the mingw-w64 packages are there.
void BuildTree(const std::string& root) {
  for (const char* dir : {"a", "a/b", "a/b/c", "empty", "données", "bin", "big"}) {
    fs::create_directories(root + "/" + dir);
  }
  WriteFile(root + "/a/zero", std::string());
  WriteFile(root + "/readonly.txt", std::string("do not touch\n"));
  chmod((root + "/readonly.txt").c_str(), 0444);
  WriteFile(root + "/données/ünïcødé €.txt", std::string("non-ASCII name\n"));
  WriteFile(root + "/日本語.txt", std::string("名前\n"));
  WriteFile(root + "/big/random.bin", RandomBytes(5 << 20, 42));
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "line " + std::to_string(i * 7919 % 1000) + " of text\n";
  WriteFile(root + "/a/b/c/text.txt", text);
  const std::vector<std::string> dlls = SmallMingwDlls();
  for (const std::string& dll : dlls) {
    fs::copy_file(dll, root + "/bin/" + fs::path(dll).filename().string());
  }
  WriteFile(root + "/setup.exe", dlls.empty() ? std::vector<uint8_t>{'M', 'Z'} : ReadFile(dlls[0]));
  chmod((root + "/setup.exe").c_str(), 0755);
  // Distinct times with sub-second parts; directories last, since filling them moves theirs.
  int64_t t = 1600000000;
  std::vector<std::string> dirs;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_directory()) {
      dirs.push_back(entry.path().string());
    } else {
      SetTime(entry.path().string(), t += 3601, 123456789);
    }
  }
  for (const std::string& dir : dirs) SetTime(dir, t += 86400, 987654300);
}

struct Snapshot {
  bool isDirectory;
  std::vector<uint8_t> bytes;
  int64_t seconds;
  long hundredNanoseconds;
  bool writable;
};

std::map<std::string, Snapshot> Capture(const std::string& root) {
  std::map<std::string, Snapshot> tree;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    struct stat st;
    EXPECT_EQ(lstat(entry.path().c_str(), &st), 0);
    Snapshot s{S_ISDIR(st.st_mode), {}, st.st_mtim.tv_sec, st.st_mtim.tv_nsec / 100,
               (st.st_mode & 0222) != 0};
    if (!s.isDirectory) s.bytes = ReadFile(entry.path().string());
    tree[fs::relative(entry.path(), root).string()] = s;
  }
  return tree;
}

void ExpectSameSnapshots(const std::string& expectedRoot, const std::string& actualRoot) {
  const auto expected = Capture(expectedRoot);
  const auto actual = Capture(actualRoot);
  EXPECT_EQ(expected.size(), actual.size());
  for (const auto& [path, want] : expected) {
    const auto it = actual.find(path);
    if (it == actual.end()) {
      ADD_FAILURE() << path << " missing";
      continue;
    }
    const Snapshot& got = it->second;
    EXPECT_EQ(got.isDirectory, want.isDirectory) << path;
    EXPECT_TRUE(got.bytes == want.bytes) << path << " differs";
    EXPECT_EQ(got.seconds, want.seconds) << path;
    EXPECT_EQ(got.hundredNanoseconds, want.hundredNanoseconds) << path;
    if (!want.isDirectory) {
      EXPECT_EQ(got.writable, want.writable) << path;
    }
  }
}

// A stand-in stub long enough that the archive starts past the scan's first block.
std::vector<uint8_t> FakeStub() { return StandInStub(70000); }

struct Layout {
  const char* name;
  std::vector<std::string> options;
};
void PrintTo(const Layout& row, std::ostream* out) { *out << row.name; }

class PackRoundTrip : public ::testing::TestWithParam<Layout> {};

TEST_P(PackRoundTrip, BsdtarExtractsEveryEntryUnchanged) {
  if (!HaveBsdtar()) GTEST_SKIP() << "bsdtar is not installed";
  TempDir dir;
  const std::string source = dir.Path() + "/source";
  BuildTree(source);
  const std::vector<uint8_t> stub = FakeStub();
  WriteFile(dir.Path() + "/stub", stub);
  std::vector<std::string> args = {"pack", "--quiet", "--plain-header", "--stub",
                                   dir.Path() + "/stub", source, "-o",
                                   dir.Path() + "/setup-installer"};
  args.insert(args.end(), GetParam().options.begin(), GetParam().options.end());
  const RunResult run = RunStubpack(args);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  // Quiet: nothing but the names that need a legacy code page or Windows 10 1903.
  std::istringstream lines(run.output);
  for (std::string line; std::getline(lines, line);)
    EXPECT_NE(line.find("a name beyond ASCII"), std::string::npos) << line;

  const std::vector<uint8_t> installer = ReadFile(dir.Path() + "/setup-installer");
  ASSERT_GT(installer.size(), stub.size());
  EXPECT_TRUE(std::equal(stub.begin(), stub.end(), installer.begin()));
  const std::vector<uint8_t> archive = ArchiveOf(installer, stub.size());
  EXPECT_EQ(archive[0], 0x37);
  EXPECT_EQ(archive[7], 4) << "version 0.4";
  WriteFile(dir.Path() + "/archive.7z", archive);
  fs::create_directory(dir.Path() + "/out");
  const RunResult extract = RunShell("bsdtar -xf " + ShellQuote(dir.Path() + "/archive.7z") +
                                     " -C " + ShellQuote(dir.Path() + "/out"));
  ASSERT_EQ(extract.exitCode, 0) << extract.output;
  ExpectSameSnapshots(source, dir.Path() + "/out");
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PackRoundTrip,
    ::testing::Values(
        Layout{"Defaults", {}},
        Layout{"Bcj2OnSmallFolders", {"--bcj2", "on", "--solid-size", "300K"}},
        Layout{"Bcj2OffSmallDictionary", {"--bcj2", "off", "--solid-size", "3M", "--dict", "1M"}},
        Layout{"FolderPerFileFastHc4",
               {"--solid-size", "1", "--mf", "hc4", "--fast", "--lc", "1", "--lp", "3"}}),
    CaseName());

TEST(PackReproducibility, SourceDateEpochMakesPacksIdentical) {
  if (!HaveBsdtar()) GTEST_SKIP() << "bsdtar is not installed";
  TempDir dir;
  const std::string source = dir.Path() + "/source";
  fs::create_directories(source + "/sub/empty");
  WriteFile(source + "/setup.exe", std::string("MZ setup"));
  WriteFile(source + "/sub/data.txt", std::string(100000, 'x'));
  WriteFile(dir.Path() + "/stub", StandInStub());
  const std::vector<std::string> env = {"SOURCE_DATE_EPOCH=1700000000"};
  auto pack = [&](const std::string& out) {
    const RunResult run =
        RunStubpack({"pack", "-q", "--stub", dir.Path() + "/stub", source, "-o", out}, env);
    ASSERT_EQ(run.exitCode, 0) << run.output;
  };
  pack(dir.Path() + "/first");
  SetTime(source + "/sub/data.txt", 1234567890, 5);
  SetTime(source + "/sub", 1234567891, 0);
  pack(dir.Path() + "/second");
  EXPECT_TRUE(ReadFile(dir.Path() + "/first") == ReadFile(dir.Path() + "/second"));

  const std::vector<uint8_t> first = ReadFile(dir.Path() + "/first");
  WriteFile(dir.Path() + "/a.7z", ArchiveOf(first, StandInStub().size()));
  fs::create_directory(dir.Path() + "/out");
  ASSERT_EQ(RunShell("bsdtar -xf " + dir.Path() + "/a.7z -C " + dir.Path() + "/out").exitCode, 0);
  for (const char* path : {"setup.exe", "sub", "sub/empty", "sub/data.txt"}) {
    struct stat st;
    ASSERT_EQ(stat((dir.Path() + "/out/" + path).c_str(), &st), 0) << path;
    EXPECT_EQ(st.st_mtim.tv_sec, 1700000000) << path;
  }
}

// The same tree made under two umasks packs to the same bytes: stored modes are normalised.
TEST(PackReproducibility, UmaskDoesNotChangeThePack) {
  TempDir dir;
  WriteFile(dir.Path() + "/stub", StandInStub());
  for (const char* umask : {"022", "002"}) {
    const std::string tree = ShellQuote(dir.Path() + "/tree" + umask);
    const RunResult run = RunShell(
        std::string("umask ") + umask + " && mkdir -p " + tree + "/sub && cd " + tree +
        " && printf 'MZ' > setup.exe && chmod +x setup.exe && printf data > sub/data.txt && "
        "printf ro > sub/ro.txt && chmod a-w sub/ro.txt && SOURCE_DATE_EPOCH=1700000000 " +
        ShellQuote(StubpackPath()) + " pack -q --stub ../stub . -o ../out" + umask);
    ASSERT_EQ(run.exitCode, 0) << run.output;
  }
  EXPECT_TRUE(ReadFile(dir.Path() + "/out022") == ReadFile(dir.Path() + "/out002"));
  const RunResult list = RunStubpack({"list", dir.Path() + "/out002"});
  EXPECT_NE(list.output.find("sub/ro.txt"), std::string::npos) << list.output;
}

}  // namespace
