// Installers the stub must refuse, run as processes: each ends with exit code 1 and the general
// message, leaves nothing in the temporary directory's parent, and `stubpack check` names the
// rule it breaks.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>
#include <sstream>

#include "InstallerProcess.h"
#include "cli/PackCommand.h"
#include "fixtures/CraftedArchive.h"
#include "fixtures/HostileArchives.h"
#include "format/StartHeader.h"
#include "installer/InstallerLayout.h"
#include "stubpack/TestFiles.h"

namespace {

using fixture::CraftArchive;
using fixture::CraftedEntry;

using fixture::CraftedDirectory;
using fixture::CraftedFile;

class InstallerFailure : public ::testing::Test {
 protected:
  void SetUp() override { SKIP_UNLESS_STUB_FITS(); }
  // Runs the installer; expects the failure path and an empty temporary root afterwards.
  void ExpectRefused(const std::string& installer, const std::string& what,
                     const std::string& specific = "") {
    RunResult run = RunInstaller(installer, tempRoot.Path(), {"/S"});
    EXPECT_EQ(run.exitCode, 1) << what << "\n" << run.output;
    EXPECT_NE(run.output.find(kGeneralFailureBox), std::string::npos) << what << "\n" << run.output;
    if (!specific.empty()) {
      EXPECT_NE(run.output.find("Unpacker: " + specific), std::string::npos) << what;
    }
    for (const std::string& left : DirectoryEntries(tempRoot.Path()))
      ADD_FAILURE() << what << ": left behind " << left;
    std::filesystem::remove_all(tempRoot.Path() + "/x");
  }
  // `stubpack check` refuses it and names the rule.
  void ExpectCheckSays(const std::string& installer, const std::string& rule) {
    RunResult check = RunStubpack({"check", installer});
    EXPECT_EQ(check.exitCode, 1) << check.output;
    EXPECT_NE(check.output.find("stubpack: the stub would refuse this installer"),
              std::string::npos)
        << check.output;
    EXPECT_NE(check.output.find(rule), std::string::npos) << "expected \"" << rule << "\" in\n"
                                                          << check.output;
  }
  std::string Crafted(const std::vector<CraftedEntry>& entries) {
    std::string path = files.Path() + "/installer" + std::to_string(++count) + ".exe";
    WriteInstaller(path, CraftArchive(entries));
    return path;
  }

  TempDir tempRoot;  // TMPDIR of the installer runs
  TempDir files;
  int count = 0;
};

TEST_F(InstallerFailure, DamagedInstallersFromStubpack) {
  TempDir source;
  WriteFile(source.Path() + "/setup.exe", "#!/bin/sh\ntouch \"$TMPDIR/ran\"\n");
  std::filesystem::permissions(source.Path() + "/setup.exe",
                               std::filesystem::perms::owner_exec, 
                               std::filesystem::perm_options::add);
  // More than the scan's 64 KiB block of incompressible data: a cut at the header's end can
  // never also cut that block short, whatever the stub's size.
  WriteFile(source.Path() + "/data.bin", RandomBytes(70000, 3));
  const std::string good = files.Path() + "/good.exe";
  RunResult pack = RunStubpack({"pack", "-q", "--stub", "native", source.Path(), "-o", good});
  ASSERT_EQ(pack.exitCode, 0) << pack.output;
  const std::vector<uint8_t> bytes = ReadBytes(good);
  const size_t stubSize = ReadBytes(StubPath()).size();
  const size_t archiveSize = ArchiveOf(bytes, stubSize).size();
  const size_t archiveStart = stubSize + 4;
  // The scan reads the 64 KiB block that holds the signature whole: a cut in the packed data
  // before that block's end is an installer that ends too early, whatever the stub's size
  // (unless the signature lies in the block's last bytes).
  const size_t blockEnd = 1 + (archiveStart - 1) / kScanStep * kScanStep + kScanBlock;
  const size_t packedCut = std::min(archiveStart + 1000, blockEnd - 1);

  struct Case {
    const char* what;
    size_t flip;      // offset of a byte to flip, or 0
    size_t truncate;  // new size, or 0
    const char* rule;
  } cases[] = {
      {"flipped packed byte", archiveStart + 32 + 100, 0, "would refuse"},
      {"flipped header byte", archiveStart + archiveSize - 3, 0, "header CRC mismatch"},
      {"truncated inside the header", 0, archiveStart + archiveSize - 10, "header outside file"},
      {"truncated inside packed data", 0, packedCut, "the installer ends"},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> damaged = bytes;
    if (c.flip) damaged[c.flip] ^= 0x40;
    if (c.truncate) damaged.resize(c.truncate);
    const std::string path = files.Path() + "/damaged.exe";
    WriteFile(path, damaged);
    chmod(path.c_str(), 0755);
    ExpectRefused(path, c.what);
    EXPECT_FALSE(std::filesystem::exists(tempRoot.Path() + "/ran")) << c.what;
    ExpectCheckSays(path, c.rule);
  }
}

TEST_F(InstallerFailure, DamagedCompressedFileList) {
  TempDir source;
  WriteFile(source.Path() + "/setup.exe", "#!/bin/sh\ntouch \"$TMPDIR/ran\"\n");
  chmod((source.Path() + "/setup.exe").c_str(), 0755);
  for (int i = 0; i < 200; ++i) {
    WriteFile(source.Path() + "/file" + std::to_string(i) + ".txt", std::to_string(i));
  }
  PackOptions options;
  options.source = source.Path();
  options.output = files.Path() + "/good.exe";
  options.stub = StubPath();
  options.quiet = true;
  options.fileListForm = FileListForm::kCompressed;
  std::ostringstream warnings;
  RunPack(options, warnings, warnings);
  // The names, times and attributes follow the main packed streams and precede the header.
  RunResult list = RunStubpack({"list", "--json", options.output});
  ASSERT_EQ(list.exitCode, 0) << list.output;
  size_t mainPacked = 0;
  const std::regex packedSize("\"packedSize\": *([0-9]+)");
  for (std::sregex_iterator it(list.output.begin(), list.output.end(), packedSize), end;
       it != end; ++it) {
    mainPacked += std::stoul((*it)[1]);
  }
  std::vector<uint8_t> bytes = ReadBytes(options.output);
  const size_t archiveStart = ReadBytes(StubPath()).size() + 4;
  StartHeader start;
  ASSERT_TRUE(ParseStartHeader(bytes.data() + archiveStart, start));
  const size_t headerOffset = start.NextHeaderOffset;
  ASSERT_GT(headerOffset, mainPacked);
  // A byte inside the names stream, the first of the additional streams.
  bytes[archiveStart + kStartHeaderSize + mainPacked + (headerOffset - mainPacked) / 4] ^= 0x10;
  const std::string damaged = files.Path() + "/damaged.exe";
  WriteFile(damaged, bytes);
  chmod(damaged.c_str(), 0755);
  ExpectRefused(damaged, "damaged file list");
  EXPECT_FALSE(std::filesystem::exists(tempRoot.Path() + "/ran"));
  ExpectCheckSays(damaged, "would refuse");
}

TEST_F(InstallerFailure, EntryWhoseDataDoesNotMatchItsCrc) {
  CraftedEntry bad = CraftedFile(u"b.txt", "bytes that were damaged after packing");
  bad.wrongCrc = true;
  const std::string installer = Crafted({CraftedFile(u"a.txt", "fine"), bad, CraftedFile(u"c.txt", "later")});
  ExpectRefused(installer, "CRC");
  ExpectCheckSays(installer, "entry CRC mismatch; last entry reached: \"b.txt\"");
}

TEST_F(InstallerFailure, EntriesThatWouldLeaveTheOutputDirectory) {
  const std::u16string names[] = {u"..\\x",  u"../x",  u"/etc/x",      u"\\x",   u"C:\\x",
                                  u"C:x",    u"a/../../x", u"a\\..\\..\\x", u"\\\\server\\share\\x",
                                  u"a/ .. /x", u"file.txt:stream"};
  for (const std::u16string& name : names) {
    const std::string installer = Crafted({CraftedFile(u"setup.exe", "#!/bin/sh\n"), CraftedFile(name, "x")});
    std::string shown(name.begin(), name.end());
    ExpectRefused(installer, shown);
    ExpectCheckSays(installer, "would leave the output directory");
  }
}

TEST_F(InstallerFailure, ReservedDeviceNames) {
  const std::u16string names[] = {u"CON",       u"prn.txt", u"dir/aux",  u"NUL.tar.gz",
                                  u"com1",      u"COM9.log", u"LPT1",    u"dir\\lpt9.x",
                                  u"nul ",      u"CONIN$",  u"conout$",  u"CONOUT$.txt",
                                  u"sub/CONIN$", u"COM\u00b9", u"lpt\u00b2", u"COM\u00b3.txt"};
  for (const std::u16string& name : names) {
    const std::string installer = Crafted({CraftedFile(name, "device")});
    std::string shown(name.begin(), name.end());
    ExpectRefused(installer, shown);
    ExpectCheckSays(installer, "would leave the output directory");
  }
  // Names that only begin like devices are ordinary files.
  const std::string fine = Crafted({CraftedFile(u"CONFIG.SYS", "x"), CraftedFile(u"COM10", "y"),
                                    CraftedFile(u"LPT0.txt", "z"), CraftedFile(u"console", "w")});
  RunResult check = RunStubpack({"check", fine});
  EXPECT_EQ(check.exitCode, 0) << check.output;
}

TEST_F(InstallerFailure, OutputFileThatCannotBeCreated) {
  // "a" is a file, so "a/b" has no directory to go into.
  const std::string installer = Crafted({CraftedFile(u"a", "file"), CraftedFile(u"a/b", "under a file")});
  ExpectRefused(installer, "cannot create", "Can not open output file");
  ExpectCheckSays(installer, "Can not open output file");
}

TEST_F(InstallerFailure, FileInTheWayThatCannotBeDeleted) {
  // The directory "d" stands where the file "d" must go.
  const std::string installer =
      Crafted({CraftedDirectory(u"d"), CraftedFile(u"d/inner", "keeps d"), CraftedFile(u"d", "file")});
  ExpectRefused(installer, "cannot delete", "Can not delete output file");
  ExpectCheckSays(installer, "Can not delete output file");
}

TEST_F(InstallerFailure, FolderLargerThanTheStubsWindowForItsDictionary) {
  // The crafted folder's LZMA coder has a 64 KiB dictionary: its output may not pass
  // 64 KiB + 2 MiB in the stub.
  const std::string installer = Crafted({CraftedFile(u"big.bin", std::string((2u << 20) + 70000, 'z'))});
  ExpectRefused(installer, "window");
  ExpectCheckSays(installer, "beyond the stub's window limit of 2162688 bytes for a 64K dictionary");
}

// Packed data that ends before its coders are done is damaged at that point: the stub, check
// and extract refuse it at once instead of making up the rest.
TEST_F(InstallerFailure, DataEndingEarlyIsRefusedAtOnce) {
  int rows = 0;
  for (const fixture::HostileCase& c : fixture::HostileCases("/nonexistent")) {
    if (c.name.rfind("ends early: ", 0) != 0) continue;
    ++rows;
    const std::string installer = files.Path() + "/early.exe";
    WriteInstaller(installer, c.archive);
    const std::string target = files.Path() + "/out";
    const auto start = std::chrono::steady_clock::now();
    ExpectRefused(installer, c.name);
    ExpectCheckSays(installer, "problem: packed data is damaged");
    EXPECT_EQ(RunStubpack({"extract", installer, target}).exitCode, 1) << c.name;
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    // Three processes; before, the stub alone wrote hundreds of megabytes over seconds.
    EXPECT_LT(took.count(), 3.0) << c.name;
    std::filesystem::remove_all(target);
  }
  EXPECT_EQ(rows, 8);
}

}  // namespace
