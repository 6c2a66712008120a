// Whole installers run as processes: a tree packed by stubpack (or crafted with attributes no
// packer writes) is unpacked by the stub into a scratch temporary directory, and its setup.exe
// copies what it finds to a place the test then compares with the source.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <random>
#include <sstream>

#include "InstallerProcess.h"
#include "cli/PackCommand.h"
#include "fixtures/CraftedArchive.h"
#include "stubpack/TestFiles.h"

namespace fs = std::filesystem;

namespace {

// setup.exe: records its directory and arguments, then copies the tree with times, modes and
// extended attributes.
const char kSetupScript[] =
    "#!/bin/sh\n"
    "dest=\"$1\"\n"
    "pwd > \"$dest.pwd\"\n"
    "stat -c %a . > \"$dest.mode\"\n"
    "for a in \"$@\"; do printf '<%s>' \"$a\"; done > \"$dest.args\"\n"
    "cp -a . \"$dest\"\n";

// A 32-bit x86 PE image whose 128 KiB code section is full of relative calls, so that
// stubpack gives it a BCJ2 folder of its own, with enough branch decisions to compress.
std::vector<uint8_t> X86Image() {
  const uint32_t pe = 0x80;
  std::vector<uint8_t> image(0x400 + 0x20000, 0);
  image[0] = 'M';
  image[1] = 'Z';
  image[0x3C] = uint8_t(pe);
  image[pe] = 'P';
  image[pe + 1] = 'E';
  image[pe + 4] = 0x4C;
  image[pe + 5] = 0x01;
  image[pe + 6] = 1;     // one section
  image[pe + 20] = 224;  // optional header size
  image[pe + 24 + 56 + 1] = 0x10;  // SizeOfImage 0x21000
  image[pe + 24 + 56 + 2] = 0x02;
  uint8_t* text = image.data() + pe + 24 + 224;
  text[13] = 0x10;  // loaded at 0x1000
  text[18] = 0x02;  // 0x20000 bytes
  text[21] = 0x04;  // at file offset 0x400
  text[36] = 0x20;  // code
  std::mt19937 rng(9);
  for (size_t at = 0x400; at + 5 <= image.size(); at += 5 + rng() % 4) {
    image[at] = 0xE8;
    const uint32_t rel = uint32_t(int32_t(rng() % 0x1800) - 0x0C00);
    for (int k = 0; k < 4; ++k) image[at + 1 + size_t(k)] = uint8_t(rel >> (8 * k));
  }
  return image;
}

// Relative path -> stat of everything below root.
std::map<std::string, struct stat> Tree(const std::string& root) {
  std::map<std::string, struct stat> tree;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
       ++it) {
    struct stat info;
    lstat(it->path().c_str(), &info);
    tree[fs::relative(it->path(), root).string()] = info;
  }
  return tree;
}

// The clean-up removes the whole temporary directory, read-only files and the directories
// above them included: nothing of the run stays in the temporary path.
void ExpectNothingLeft(const std::string& tempRoot) {
  for (const auto& [path, info] : Tree(tempRoot)) ADD_FAILURE() << "left behind: " << path;
}

// Every entry of src arrived in dest with its mode, and every file with its bytes and time.
void ExpectSameTree(const std::string& src, const std::string& dest) {
  const auto expected = Tree(src);
  const auto got = Tree(dest);
  EXPECT_EQ(got.size(), expected.size());
  for (const auto& [path, want] : expected) {
    auto found = got.find(path);
    if (found == got.end()) {
      ADD_FAILURE() << "missing " << path;
      continue;
    }
    const struct stat& have = found->second;
    EXPECT_EQ(have.st_mode, want.st_mode) << path;
    if (S_ISDIR(want.st_mode)) continue;
    EXPECT_TRUE(ReadFile(dest + "/" + path) == ReadFile(src + "/" + path)) << path;
    EXPECT_EQ(have.st_mtim.tv_sec, want.st_mtim.tv_sec) << path;
    EXPECT_EQ(have.st_mtim.tv_nsec, want.st_mtim.tv_nsec) << path;
  }
}

class InstallerRoundTrip : public ::testing::Test {
 protected:
  void SetUp() override { SKIP_UNLESS_STUB_FITS(); }
  TempDir tempRoot;  // TMPDIR of the run
  TempDir work;
  std::string dest = work.Path() + "/copy";
};

TEST_F(InstallerRoundTrip, PackedTreeArrivesWithContentsTimesAndModes) {
  const std::string src = work.Path() + "/src";
  for (const char* dir : {"a/b/c", "empty", "data", "bin", "a/empty too", "\xC3\xBCnic\xC3\xB8" "de/\xE6\x97\xA5"})
    fs::create_directories(src + "/" + dir);
  WriteFile(src + "/setup.exe", kSetupScript);
  chmod((src + "/setup.exe").c_str(), 0755);
  WriteFile(src + "/a/b/c/deep.txt", "deep inside\n");
  WriteFile(src + "/a/zero.bin", "");
  WriteFile(src + "/empty.txt", "");
  WriteFile(src + "/readonly.txt", "do not touch\n");
  chmod((src + "/readonly.txt").c_str(), 0444);
  WriteFile(src + "/a/b/locked.txt", "read-only, deeper\n");
  chmod((src + "/a/b/locked.txt").c_str(), 0444);
  WriteFile(src + "/\xC3\xBCnic\xC3\xB8" "de/\xE6\x97\xA5/\xE6\x9C\xAC.txt", "non-ASCII name\n");
  WriteFile(src + "/data/random.bin", RandomBytes(300000, 4));
  WriteFile(src + "/bin/tool.dll", X86Image());
  int64_t second = 1000000000;
  for (auto& [path, info] : Tree(src)) {
    if (!S_ISDIR(info.st_mode)) SetTime(src + "/" + path, second++, 123456700);
  }

  const std::string installer = work.Path() + "/setup-installer";
  RunResult pack = RunStubpack({"pack", "-q", "--stub", "native", src, "-o", installer});
  ASSERT_EQ(pack.exitCode, 0) << pack.output;
  RunResult list = RunStubpack({"list", "--json", installer});
  ASSERT_EQ(list.exitCode, 0) << list.output;
  // The BCJ2 folder with its decisions through an LZMA coder of their own.
  EXPECT_NE(list.output.find("LZMA\",\"dictionary\":4096},{\"method\":\"BCJ2\"}"),
            std::string::npos)
      << list.output;

  // A blank in the temporary path must not split the setup program's name, and the
  // directory is the user's alone whatever the umask.
  const std::string spaced = tempRoot.Path() + "/tmp with space";
  fs::create_directories(spaced);
  mode_t umaskBefore = umask(0);
  RunResult run = RunInstaller(installer, spaced, {dest, "two words", "\xC3\xA4", ""});
  umask(umaskBefore);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  ExpectNothingLeft(spaced);
  std::vector<uint8_t> args = ReadFile(dest + ".args");
  EXPECT_EQ(std::string(args.begin(), args.end()), "<" + dest + "><two words><\xC3\xA4><>");
  std::vector<uint8_t> pwd = ReadFile(dest + ".pwd");
  EXPECT_EQ(std::string(pwd.begin(), pwd.end()).rfind(spaced + "/cab", 0), 0u);
  std::vector<uint8_t> mode = ReadFile(dest + ".mode");
  EXPECT_EQ(std::string(mode.begin(), mode.end()), "700\n");

  ExpectSameTree(src, dest);
}

// The large tree: 20,000 entries, or 2,000 under AddressSanitizer, where the same paths cost
// ten times the time and the Debug build keeps the large case.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kLargeTree = 2000;
#else
constexpr size_t kLargeTree = 20000;
#endif

// The file list inline in the header and compressed in additional streams, for trees of 1, 2
// and kLargeTree entries with non-ASCII names, empty files and directories, read-only files and
// times to 100 ns.
TEST_F(InstallerRoundTrip, FileListInBothForms) {
  const std::string src = work.Path() + "/src";
  fs::create_directories(src);
  WriteFile(src + "/setup.exe", kSetupScript);
  chmod((src + "/setup.exe").c_str(), 0755);
  SetTime(src + "/setup.exe", 1000000000, 999999900);
  for (size_t entries : {size_t(1), size_t(2), kLargeTree}) {
    if (entries == 2) {
      const std::string empty = src + "/\xC3\xA9t\xC3\xA9 \xE6\x97\xA5.txt";  // "été 日.txt"
      WriteFile(empty, "");
      chmod(empty.c_str(), 0444);
      SetTime(empty, 1200000000, 100);
    }
    if (entries == kLargeTree) {
      // setup.exe, the empty file, "empty dir", d0, d1, ... and the files.
      fs::create_directories(src + "/empty dir");
      const size_t files = kLargeTree - 3 - (kLargeTree - 1) / 1000 - 1;
      for (size_t i = 0; i < files; ++i) {
        const std::string dir = src + "/d" + std::to_string(i / 1000);
        if (i % 1000 == 0) fs::create_directories(dir);
        const std::string file = dir + "/\xC3\xBC" + std::to_string(i) + (i % 3 ? ".txt" : ".dat");
        WriteFile(file, i % 7 == 0 ? std::string() : std::string(i % 50 + 1, char('a' + i % 26)));
        if (i % 11 == 0) chmod(file.c_str(), 0444);
        SetTime(file, 1300000000 + int64_t(i), long(i % 10000000) * 100);
      }
    }
    for (FileListForm form : {FileListForm::kPlain, FileListForm::kCompressed}) {
      const std::string label = std::to_string(entries) + " entries, " +
                                (form == FileListForm::kPlain ? "plain" : "compressed");
      PackOptions options;
      options.source = src;
      options.output = work.Path() + "/installer";
      options.stub = StubPath();
      options.quiet = true;
      options.fileListForm = form;
      std::ostringstream warnings;
      RunPack(options, warnings, warnings);
      TempDir runRoot;
      fs::remove_all(dest);
      RunResult run = RunInstaller(options.output, runRoot.Path(), {dest});
      ASSERT_EQ(run.exitCode, 0) << label << "\n" << run.output;
      ExpectSameTree(src, dest);
      if (HasFailure()) FAIL() << label;
    }
  }
}

TEST_F(InstallerRoundTrip, HiddenSystemAndMissingAttributesAndTimes) {
  using fixture::CraftedEntry;
  auto entry = [](std::u16string name, std::string data, uint32_t attributes) {
    CraftedEntry e;
    e.name = std::move(name);
    e.data = std::move(data);
    e.attributes = attributes;
    return e;
  };
  // FILETIME of 2005-03-18 01:58:31.5 UTC.
  const uint64_t fileTime = (1111111111ull + 11644473600ull) * 10000000ull + 5000000ull;
  std::vector<CraftedEntry> entries = {
      entry(u"setup.exe", kSetupScript, 0x8000u | (0755u << 16) | 0x20),
      entry(u"hidden.txt", "h", 0x02 | 0x20),
      entry(u"system.txt", "s", 0x04),
      entry(u"both.txt", "b", 0x8000u | (0640u << 16) | 0x06),
      entry(u"readonly-hidden.txt", "r", 0x01 | 0x02),
      entry(u"no-attributes.txt", "n", 0),
      entry(u"no-time.txt", "t", 0x20),
  };
  for (CraftedEntry& e : entries) e.lastWrite = fileTime;
  entries[5].hasAttributes = false;
  entries[6].hasTime = false;
  const std::string installer = work.Path() + "/crafted";
  WriteInstaller(installer, fixture::CraftArchive(entries));
  SetTime(installer, 1500000000, 0);

  RunResult run = RunInstaller(installer, tempRoot.Path(), {dest});
  ASSERT_EQ(run.exitCode, 0) << run.output;
  ExpectNothingLeft(tempRoot.Path());
  if (DosAttributeBits(dest + "/hidden.txt") < 0) {
    GTEST_SKIP() << "the file system here keeps no user extended attributes";
  }
  struct Expect {
    const char* name;
    long dosBits;  // hidden, system, archive as kept in the extended attribute (-1: archive
                   // alone, a new file's, which is kept as no attribute)
    mode_t mode;
  } expects[] = {
      {"hidden.txt", 0x22, 0}, {"system.txt", 0x04, 0}, {"both.txt", 0x06, 0640},
      {"readonly-hidden.txt", 0x02, 0}, {"no-attributes.txt", 0, 0}, {"no-time.txt", -1, 0},
  };
  for (const Expect& e : expects) {
    const std::string path = dest + "/" + e.name;
    EXPECT_EQ(DosAttributeBits(path), e.dosBits) << e.name;
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0) << e.name;
    if (e.mode) {
      EXPECT_EQ(info.st_mode & 07777, e.mode) << e.name;
    }
    EXPECT_EQ(info.st_mtim.tv_sec, std::string(e.name) == "no-time.txt" ? 1500000000 : 1111111111)
        << e.name;
  }
  struct stat readOnly;
  ASSERT_EQ(stat((dest + "/readonly-hidden.txt").c_str(), &readOnly), 0);
  EXPECT_EQ(readOnly.st_mode & 0222, 0u);
  EXPECT_EQ(readOnly.st_mtim.tv_nsec, 500000000);
  struct stat noTime;
  ASSERT_EQ(stat((dest + "/no-time.txt").c_str(), &noTime), 0);
  EXPECT_EQ(noTime.st_mtim.tv_sec, 1500000000);  // the installer's own time
}

}  // namespace
