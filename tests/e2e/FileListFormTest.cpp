// How stubpack stores the file list: inline in the header, or compressed in additional
// streams when that makes the installer at least 1 KiB smaller; deterministic either way.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <sstream>

#include "InstallerProcess.h"
#include "StubpackRun.h"
#include "cli/PackCommand.h"
#include "format/PropertyIds.h"
#include "format/StartHeader.h"
#include "pack/ArchiveTail.h"
#include "stubpack/TestFiles.h"

namespace fs = std::filesystem;

namespace {

// Whether the archive's header starts with additional streams (kHeader, kAdditionalStreamsInfo).
bool HasAdditionalStreams(const std::vector<uint8_t>& archive) {
  StartHeader start;
  if (archive.size() < kStartHeaderSize || !ParseStartHeader(archive.data(), start)) return false;
  return archive.at(kStartHeaderSize + start.NextHeaderOffset + 1) == kAdditionalStreamsInfo;
}

std::vector<uint8_t> Pack(const std::string& source, const std::string& stub,
                          FileListForm form, const std::string& output) {
  PackOptions options;
  options.source = source;
  options.output = output;
  options.stub = stub;
  options.quiet = true;
  options.fileListForm = form;
  std::ostringstream warnings;
  RunPack(options, warnings, warnings);
  return ReadFile(output);
}

TEST(FileListFormChoice, CompressedExactlyWhenItSavesOneKiB) {
  SKIP_UNLESS_STUB_FITS();
  TempDir dir;
  const std::string source = dir.Path() + "/source";
  fs::create_directories(source);
  // Incompressible data keeps the installer above the scan's minimum size, where padding
  // would hide the difference.
  WriteFile(source + "/setup.exe", RandomBytes(80000, 1));
  const size_t stubSize = ReadFile(StubPath()).size();
  bool sawPlain = false;
  bool sawCompressed = false;
  for (int files = 1; files <= 40; ++files) {
    // Each file adds a little to what compression saves; name lengths vary the step.
    WriteFile(source + "/" + std::string(size_t(10 + files % 7), 'n') + std::to_string(files),
              std::string(1, char(files)));
    const std::string out = dir.Path() + "/out";
    const size_t plain = Pack(source, StubPath(), FileListForm::kPlain, out).size();
    const std::vector<uint8_t> compressed =
        Pack(source, StubPath(), FileListForm::kCompressed, out);
    const std::vector<uint8_t> chosen =
        Pack(source, StubPath(), FileListForm::kSmallest, out);
    const bool worth = compressed.size() + 1024 <= plain;
    EXPECT_EQ(chosen.size(), worth ? compressed.size() : plain) << files << " files";
    EXPECT_EQ(HasAdditionalStreams(ArchiveOf(chosen, stubSize)), worth) << files << " files";
    (worth ? sawCompressed : sawPlain) = true;
  }
  EXPECT_TRUE(sawPlain && sawCompressed) << "the trees do not cross the threshold";
}

TEST(FileListFormChoice, CompressedFormIsDeterministicWithSourceDateEpoch) {
  SKIP_UNLESS_STUB_FITS();
  TempDir dir;
  const std::string source = dir.Path() + "/source";
  fs::create_directories(source + "/empty");
  WriteFile(source + "/setup.exe", RandomBytes(80000, 2));  // above the scan's minimum size
  for (int i = 0; i < 300; ++i) {
    WriteFile(source + "/file" + std::to_string(i) + ".txt", std::to_string(i * i));
  }
  const std::vector<std::string> env = {"SOURCE_DATE_EPOCH=1700000000"};
  auto pack = [&](const std::string& out) {
    const RunResult run =
        RunStubpack({"pack", "-q", "--stub", StubPath(), source, "-o", out}, env);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return ReadFile(out);
  };
  const std::vector<uint8_t> first = pack(dir.Path() + "/first");
  const timespec times[2] = {{1234567890, 5}, {1234567890, 5}};
  utimensat(AT_FDCWD, (source + "/file7.txt").c_str(), times, 0);
  EXPECT_TRUE(first == pack(dir.Path() + "/second"));
  EXPECT_TRUE(HasAdditionalStreams(ArchiveOf(first, ReadFile(StubPath()).size())));
}

}  // namespace
