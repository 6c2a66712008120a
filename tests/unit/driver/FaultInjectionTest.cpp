// Every system call of an installer run made to fail in turn, through the POSIX layer's fault
// injection: a call whose result the unpacker examines ends the run through the failure path
// with the documented boxes, closed handles, the tree removed and exit code 1; a call whose
// result is not examined leaves the run going.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "driver/InstallerMain.h"
#include "driver/RunState.h"
#include "fixtures/Bsdtar.h"
#include "fixtures/FatalExpect.h"
#include "fixtures/HostileArchives.h"
#include "fixtures/TempDir.h"

namespace {

using posix_testing::Api;

// The runs' files stay until the process ends. A run that ends through the failure path, or
// whose CloseHandle failed, leaves files open in the layer: deleting them would free their
// inodes for the files of later tests, which the layer would then take for files still open
// (and refuse to delete them, for one).
std::string DirectoryForTheProcess(const std::string& prefix) {
  static TempDir root;
  static int made = 0;
  std::string path = root / (prefix + std::to_string(++made));
  std::filesystem::create_directory(path);
  return path;
}

class FaultInjection : public ::testing::Test {
 protected:
  void SetUp() override {
    char cwd[4096];
    startDir = getcwd(cwd, sizeof cwd);
    fixture::Item setup = fixture::File(u"setup.exe", "#!/bin/sh\nexit 0\n");
    setup.attributes = 0x8000 | (0755u << 16) | 0x20;  // the Unix extension: executable
    std::vector<uint8_t> archive = fixture::ItemsArchive(
        {fixture::Directory(u"bin"), fixture::File(u"bin/settings.ini", "[setup]\n"),
         fixture::File(u"docs/readme.txt", "read me\n"), setup, fixture::Directory(u"empty")});
    WriteFileBytes(stubFile, Installer("MZ stub image\x38\x7a\xbc\xaf\x27\x1c",
                                       std::string(archive.begin(), archive.end())));
  }
  void TearDown() override {
    unsetenv("TMPDIR");
    posix_testing::Reset();
    EXPECT_EQ(chdir(startDir.c_str()), 0);
  }
  // One run with the nth call of api failing (nth 0: none), after arrange's own faults.
  RunEnd Run(Api api, uint32_t nth, const std::function<void()>& arrange = {}) {
    // A directory of its own per run: a run whose output handle could not be closed keeps its
    // path open in the layer, and a later run could draw the same temporary name.
    runDir = DirectoryForTheProcess("run");
    setenv("TMPDIR", runDir.c_str(), 1);
    posix_testing::Reset();
    ResetRunState();
    for (size_t a = 0; a < size_t(Api::Count); ++a) startCounts[a] = posix_testing::CallCount(Api(a));
    posix_testing::SetModuleFileName(stubFile.c_str());
    if (nth) posix_testing::FailCall(api, nth);
    if (arrange) arrange();
    exitCode = -1;
    return RunUntilExit([&] { exitCode = InstallerMain(GetModuleHandleA(nullptr), "stub.exe"); });
  }
  std::vector<std::string> TempEntries() {
    std::vector<std::string> names;
    for (auto& e : std::filesystem::directory_iterator(runDir))
      names.push_back(e.path().filename());
    return names;
  }
  uint32_t startCounts[size_t(Api::Count)] = {};  // calls made before the run itself
  std::string runDir;
  std::string stubFile = DirectoryForTheProcess("stub") + "/stub.exe";
  std::string startDir;
  int exitCode = -1;
};

// What a failed call leads to in the run over the archive of SetUp: bin/ (a directory entry),
// bin/settings.ini, docs/readme.txt, setup.exe, empty/.
enum class Ends {
  kFails,        // through the failure path for reason, tree removed
  kCompletes,    // exit code 0, setup run, tree removed
  kLeavesTree,   // exit code 0, but the clean-up could not remove everything (not examined)
};
struct Expect {
  Ends ends;
  const char* reason = nullptr;
  bool keepsFileOpen = false;  // a handle whose close failed stays open, and its file with it
};

Expect ExpectedEnd(Api api, uint32_t nth) {
  const Expect fails{Ends::kFails, nullptr};
  auto failsFor = [](const char* reason) { return Expect{Ends::kFails, reason}; };
  const char* kOutput = "output file cannot be created";
  switch (api) {
    case Api::CreateFileA:  // 1: the stub's own file; then each output file
      return failsFor(nth == 1 ? "open input file" : kOutput);
    case Api::ReadFile:
      return failsFor("short read");
    case Api::SetFilePointer:
      // Not examined. 1 (cache at 0) and 3 (the file size, which only bounds the header) do no
      // harm; 2 leaves the scan's block read at the wrong place, and the scan runs off the end.
      return nth == 2 ? failsFor("short read") : Expect{Ends::kCompletes};
    case Api::GetModuleFileNameA:
      return failsFor("module file name unavailable");
    case Api::FindFirstFileA:  // 1: the stub's own file; then removal, which tries again
      if (nth == 1) return failsFor("stub file not found");
      return Expect{Ends::kCompletes};
    case Api::LocalAlloc:  // 1: the temporary directory's access list
      return failsFor(nth == 1 ? "temporary directory access list not made" : "out of memory");
    case Api::SetCurrentDirectoryA:  // 1: into the temporary directory; 2: back, not examined
      return nth == 1 ? failsFor("temporary directory cannot be entered") : Expect{Ends::kCompletes};
    case Api::WriteFile:
      return failsFor("output file write failed");
    case Api::CreateDirectoryA:
      // 1: the temporary directory, made under a new name. Not examined: 3 (docs) makes the
      // next file fail; 2 (bin, then tried again for its file) and 4 (empty) do no harm.
      return nth == 3 ? failsFor(kOutput) : Expect{Ends::kCompletes};
    case Api::DeleteFileA:
      // 1: the placeholder stays, so its name cannot serve and another is drawn; then removal,
      // which tries again.
      return Expect{Ends::kCompletes};
    case Api::SetFileInformationByHandle:  // each file's time and attributes
      // 3: setup.exe loses its execute bit and cannot be started.
      return nth == 3 ? failsFor("setup program cannot be started") : Expect{Ends::kCompletes};
    case Api::CreateProcessA:
      return failsFor("setup program cannot be started");
    case Api::RemoveDirectoryA:  // a removal step that fails once is tried again
    case Api::FindNextFileA:
      return Expect{Ends::kCompletes};
    case Api::CloseHandle:
      // 1-2: an output file stays open, and an open file cannot be deleted; 3: setup.exe stays
      // open for writing and cannot be started; 4-5: the setup program's handles.
      if (nth == 3) return Expect{Ends::kFails, "setup program cannot be started", true};
      return Expect{nth <= 2 ? Ends::kLeavesTree : Ends::kCompletes};
    default:  // the directories' attributes, temporary names
      return Expect{Ends::kCompletes};
  }
  return fails;
}

// The specific box a reason comes with, or null for the general box alone.
const char* SpecificText(const std::string& reason) {
  if (reason == "open input file") return "Can not open input file";
  if (reason == "output file cannot be created") return "Can not open output file";
  return nullptr;
}

TEST_F(FaultInjection, EveryFailingCallEndsAsDocumented) {
  RunEnd clean = Run(Api::Count, 0);
  ASSERT_FALSE(clean.exited) << clean.reason;
  ASSERT_EQ(exitCode, 0);
  ASSERT_TRUE(TempEntries().empty());
  uint32_t baseline[size_t(Api::Count)];
  for (size_t a = 0; a < size_t(Api::Count); ++a)
    baseline[a] = posix_testing::CallCount(Api(a)) - startCounts[a];
  ASSERT_EQ(baseline[size_t(Api::CreateFileA)], 4u);  // the table above assumes this archive
  ASSERT_EQ(baseline[size_t(Api::CreateDirectoryA)], 4u);  // bin's file does not make it again

  uint32_t rows = 0;
  for (size_t a = 0; a < size_t(Api::Count); ++a) {
    Api api = Api(a);
    for (uint32_t nth = 1; nth <= baseline[a]; ++nth, ++rows) {
      std::string row = std::string(posix_testing::ApiName(api)) + " #" + std::to_string(nth);
      Expect expect = ExpectedEnd(api, nth);
      uint32_t handlesBefore = posix_testing::OpenFileHandles();
      RunEnd end = Run(api, nth);
      auto boxes = posix_testing::MessageBoxes();
      char cwd[4096];
      std::string here = getcwd(cwd, sizeof cwd) ? cwd : "";
      if (expect.ends == Ends::kFails) {
        EXPECT_TRUE(end.exited && end.code == 1) << row;
        EXPECT_EQ(end.reason, expect.reason) << row;
        const char* specific = SpecificText(end.reason);
        ASSERT_EQ(boxes.size(), specific ? 2u : 1u) << row;
        if (specific) {
          EXPECT_EQ(boxes[0].text, specific) << row;
          EXPECT_EQ(boxes[0].caption, "Unpacker") << row;
        }
        EXPECT_EQ(boxes.back().text, kGeneralFailureText) << row;
        EXPECT_EQ(boxes.back().caption, "Error of Unpacking") << row;
        // Every output handle is closed; only the stub's own file stays open, by design.
        if (!expect.keepsFileOpen) {
          EXPECT_LE(posix_testing::OpenFileHandles(), handlesBefore + 1) << row;
        }
        // Memory may also run out after the setup program ran, on the way to the clean-up.
        // A setup program that cannot be started was tried.
        if (api != Api::LocalAlloc && end.reason != "setup program cannot be started") {
          EXPECT_TRUE(posix_testing::CreatedProcesses().empty()) << row;
        }
      } else {
        EXPECT_FALSE(end.exited) << row << ": " << end.reason;
        EXPECT_EQ(exitCode, 0) << row;
        EXPECT_TRUE(boxes.empty()) << row;
        if (api != Api::CreateProcessA) {
          EXPECT_EQ(posix_testing::CreatedProcesses().size(), 1u) << row;
        }
      }
      // A failed restore of the current directory is not examined either.
      if (!(api == Api::SetCurrentDirectoryA && nth == 2) && api != Api::GetCurrentDirectoryA) {
        EXPECT_EQ(here, startDir) << row;
      }
      if (expect.ends != Ends::kLeavesTree && !expect.keepsFileOpen &&
          !(api == Api::DeleteFileA && nth == 1)) {
        EXPECT_TRUE(TempEntries().empty()) << row << ": " << ::testing::PrintToString(TempEntries());
      }
      // Leftovers stay until the end: deleting a file the layer still holds open would free
      // its inode for a later run's file, which the layer would then take for open.
      EXPECT_EQ(chdir(startDir.c_str()), 0);
    }
  }
  EXPECT_GT(rows, 300u);
}

// Without a temporary path the buffer holds nothing usable: the Windows directory serves.
TEST_F(FaultInjection, FailedTemporaryPathFallsBackToTheWindowsDirectory) {
  char garbage[MAX_PATH];
  std::memset(garbage, 'x', sizeof garbage);  // what an unused stack buffer might hold
  volatile char sink = garbage[MAX_PATH - 1];
  (void)sink;
  RunEnd end = Run(Api::GetTempPathA, 1);
  EXPECT_FALSE(end.exited) << end.reason;
  EXPECT_EQ(exitCode, 0);
  std::string made = TempDirName;
  for (char& c : made)
    if (c == '\\') c = '/';
  EXPECT_EQ(made.rfind("/var/tmp/cab", 0), 0u) << made;
  EXPECT_EQ(posix_testing::CallCount(Api::GetTempFileNameA), 1u);
  EXPECT_FALSE(std::filesystem::exists(made));
}

// A write that reports success with fewer bytes than asked (a full disk) fails like a failed
// one: nothing is run and nothing stays.
TEST_F(FaultInjection, ShortWriteEndsTheRun) {
  for (uint32_t nth = 1; nth <= 3; ++nth) {
    RunEnd end = Run(Api::Count, 0, [&] { posix_testing::ShortenWrite(nth); });
    EXPECT_TRUE(end.exited && end.code == 1) << nth;
    EXPECT_EQ(end.reason, "output file write failed") << nth;
    EXPECT_TRUE(posix_testing::CreatedProcesses().empty()) << nth;
    EXPECT_TRUE(TempEntries().empty()) << nth;
  }
}

// The clean-up after a failure examines nothing: a failing step of it still ends the run with
// exit code 1 and both boxes, for the reason of the first failure.
TEST_F(FaultInjection, FailingCleanUpStepsStillEndTheRun) {
  struct Step {
    Api api;
    uint32_t nth;
  } steps[] = {{Api::CloseHandle, 1},      {Api::CloseHandle, 2},
               {Api::SetCurrentDirectoryA, 2}, {Api::FindFirstFileA, 3},
               {Api::FindFirstFileA, 4},   {Api::FindNextFileA, 4},
               {Api::DeleteFileA, 2},      {Api::RemoveDirectoryA, 1},
               {Api::RemoveDirectoryA, 2}};
  for (const Step& step : steps) {
    std::string row = std::string(posix_testing::ApiName(step.api)) + " #" +
                      std::to_string(step.nth);
    posix_testing::Reset();
    ResetRunState();
    posix_testing::SetModuleFileName(stubFile.c_str());
    posix_testing::FailCall(Api::CreateFileA, 4);  // setup.exe: bin and docs are made by then
    posix_testing::FailCall(step.api, step.nth);
    RunEnd end =
        RunUntilExit([&] { exitCode = InstallerMain(GetModuleHandleA(nullptr), "stub.exe"); });
    EXPECT_TRUE(end.exited && end.code == 1) << row;
    EXPECT_EQ(end.reason, "output file cannot be created") << row;
    auto boxes = posix_testing::MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u) << row;
    EXPECT_EQ(boxes[1].caption, "Error of Unpacking") << row;
    EXPECT_EQ(chdir(startDir.c_str()), 0);
  }
}

}  // namespace
