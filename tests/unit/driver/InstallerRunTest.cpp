// Whole installer runs inside the test process: the stub's file is a stand-in, ExitProcess is
// redirected, and every box, window message and call is recorded.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "driver/InstallerMain.h"
#include "driver/RunState.h"
#include "format/InstallerOptions.h"
#include "fixtures/Bsdtar.h"
#include "fixtures/CraftedArchive.h"
#include "fixtures/FatalExpect.h"
#include "fixtures/TempDir.h"

namespace {

class InstallerRun : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveBsdtar()) GTEST_SKIP() << "bsdtar is not installed";
    posix_testing::Reset();
    ResetRunState();
    setenv("TMPDIR", temp.path().c_str(), 1);
    char cwd[4096];
    startDir = getcwd(cwd, sizeof cwd);
  }
  void TearDown() override {
    unsetenv("TMPDIR");
    posix_testing::Reset();
    EXPECT_EQ(chdir(startDir.c_str()), 0);
  }

  // Writes an installer around the archive and makes it the stub's own file.
  void UseInstaller(const std::string& archive) {
    WriteFileBytes(stubFile, Installer("MZ stub image\x38\x7a\xbc\xaf\x27\x1c", archive));
    posix_testing::SetModuleFileName(stubFile.c_str());
  }
  std::vector<std::string> TempEntries() {
    std::vector<std::string> names;
    for (auto& e : std::filesystem::directory_iterator(temp.path()))
      names.push_back(e.path().filename());
    return names;
  }
  RunEnd Run(const char* commandLine) {
    return RunUntilExit([&] { exitCode = InstallerMain(GetModuleHandleA(nullptr), commandLine); });
  }

  TempDir temp;  // the run's temporary directory goes below this
  TempDir files;
  std::string stubFile = files / "stub.exe";
  std::string startDir;
  int exitCode = -1;
};

TEST_F(InstallerRun, SetupCommandLineFollowsTheTailRule) {
  const char* script = "#!/bin/sh\nexit 3\n";
  struct Case {
    const char* commandLine;
    const char* tail;
  } cases[] = {
      {"\"C:\\a b\\stub.exe\"", ""},
      {"\"C:\\a b\\stub.exe\" /S", " /S"},
      {"C:\\stub.exe /S", " /S"},
      {"C:\\stub.exe\t/S", "/S"},
      {"\"C:\\stub.exe /S", ""},
      {" C:\\stub.exe /S", " C:\\stub.exe /S"},
      {"C:\\\xe9\xff.exe /D=x", " /D=x"},
  };
  for (const Case& c : cases) {
    posix_testing::Reset();
    ResetRunState();
    UseInstaller(SingleEntry7z("setup.exe", script, 0755));
    RunEnd end = Run(c.commandLine);
    ASSERT_FALSE(end.exited) << end.reason;
    EXPECT_EQ(exitCode, 0);  // whatever setup.exe returned
    std::vector<std::string> started = posix_testing::CreatedProcesses();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0], "\"" + std::string(TempDirName) + "\\setup.exe\" " + c.tail)
        << c.commandLine;
    EXPECT_TRUE(TempEntries().empty()) << c.commandLine;
  }
}

TEST_F(InstallerRun, SetupRunsInTheTemporaryDirectoryWhichIsGoneAfterwards) {
  std::string report = files / "report.txt";
  UseInstaller(SingleEntry7z("setup.exe", "#!/bin/sh\n{ pwd; ls; printf '<%s>' \"$@\"; } > \"$1\"\n",
                             0755));
  std::string commandLine = "stub.exe " + report + " \"two words\"";
  RunEnd end = Run(commandLine.c_str());
  ASSERT_FALSE(end.exited) << end.reason;
  EXPECT_EQ(exitCode, 0);
  std::string expected = std::string(TempDirName) + "\nsetup.exe\n<" + report + "><two words>";
  EXPECT_EQ(ReadFileBytes(report), expected);
  EXPECT_TRUE(TempEntries().empty());
  char cwd[4096];
  EXPECT_EQ(std::string(getcwd(cwd, sizeof cwd)), startDir);  // restored
  auto calls = posix_testing::Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "UnregisterClassA Unpack"), calls.end());
}

TEST_F(InstallerRun, NoSetupProgramStillEndsWithZero) {
  UseInstaller(SingleEntry7z("readme.txt", "just text"));
  RunEnd end = Run("stub.exe");
  ASSERT_FALSE(end.exited) << end.reason;
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(TempEntries().empty());
}

// setup.exe exits 7: the installer passes that on only when its options resource says so.
TEST_F(InstallerRun, OptionsResourceDecidesWhetherSetupsExitCodeIsPassedOn) {
  struct Case {
    const char* type;
    std::vector<uint8_t> flags;
    int exitCode;
  } cases[] = {
      {"", {}, 0},                     // no options resource
      {"STUBKIT", {1, 0, 0, 0}, 7},    // exit with setup.exe's code
      {"STUBKIT", {0, 0, 0, 0}, 0},    // written, but zero
      {"OTHER", {1, 0, 0, 0}, 0},      // someone else's resource
  };
  for (const Case& c : cases) {
    posix_testing::Reset();
    ResetRunState();
    if (*c.type) posix_testing::SetResource(c.type, 1, c.flags);
    UseInstaller(SingleEntry7z("setup.exe", "#!/bin/sh\nexit 7\n", 0755));
    RunEnd end = Run("stub.exe");
    ASSERT_FALSE(end.exited) << end.reason;
    EXPECT_EQ(exitCode, c.exitCode) << c.type << " " << c.flags.size();
  }
  // A setup.exe that cannot be started leaves the documented 0.
  posix_testing::Reset();
  ResetRunState();
  posix_testing::SetResource("STUBKIT", 1, {1, 0, 0, 0});
  UseInstaller(SingleEntry7z("readme.txt", "just text"));
  ASSERT_FALSE(Run("stub.exe").exited);
  EXPECT_EQ(exitCode, 0);
}

// The second form of the options resource: flags, version, then the three texts as given
// (each with its zero).
std::vector<uint8_t> OptionsResource(uint32_t flags, const std::string& texts,
                                     uint32_t version = kOptionsVersion) {
  std::vector<uint8_t> bytes(8);
  for (int i = 0; i < 4; ++i) {
    bytes[size_t(i)] = uint8_t(flags >> (8 * i));
    bytes[size_t(4 + i)] = uint8_t(version >> (8 * i));
  }
  bytes.insert(bytes.end(), texts.begin(), texts.end());
  return bytes;
}

// An archive of executable scripts and data files, by path.
std::string ScriptArchive(const std::vector<std::pair<std::u16string, std::string>>& files) {
  std::vector<fixture::CraftedEntry> entries;
  for (const auto& file : files) {
    entries.push_back(fixture::CraftedFile(
        file.first, file.second, 0x20 | FILE_ATTRIBUTE_UNIX_EXTENSION | (0100755u << 16)));
  }
  std::vector<uint8_t> bytes = fixture::CraftArchive(entries);
  return std::string(bytes.begin(), bytes.end());
}

// A resource the stub cannot trust ends the run before anything is unpacked: exit 1, nothing
// left in TEMP; without a user interface when its flags word asks for none.
TEST_F(InstallerRun, MalformedOptionsResourceIsADamagedInstaller) {
  const std::string longPath(kMaxRunPathBytes + 1, 'a');
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"too short for the word", {1, 0}},
      {"between the forms", {1, 0, 0, 0, 2, 0}},
      {"unknown flag", {8, 0, 0, 0}},
      {"unknown version", OptionsResource(0, std::string(3, '\0'), 3)},
      {"unterminated text", OptionsResource(0, std::string("a\0b\0c", 5))},
      {"two texts only", OptionsResource(0, std::string(2, '\0'))},
      {"bytes after the texts", OptionsResource(0, std::string("\0\0\0x", 4))},
      {"title not UTF-8", OptionsResource(0, std::string("\0\0\xff\0", 4))},
      {"arguments not UTF-8", OptionsResource(0, std::string("\0\xc3(\0\0", 5))},
      {"control character", OptionsResource(0, std::string("\0a\nb\0\0", 6))},
      {"run path leaves", OptionsResource(0, std::string("..\\x.exe\0\0\0", 11))},
      {"run path rooted", OptionsResource(0, std::string("\\x.exe\0\0\0", 9))},
      {"run path with drive", OptionsResource(0, std::string("C:x.exe\0\0\0", 10))},
      {"run path with slash", OptionsResource(0, std::string("a/x.exe\0\0\0", 10))},
      {"run path with quote", OptionsResource(0, std::string("a\"x.exe\0\0\0", 10))},
      {"run path a device", OptionsResource(0, std::string("sub\\nul.exe\0\0\0", 14))},
      {"run path too long", OptionsResource(0, longPath + std::string(3, '\0'))},
      {"damaged, no user interface", OptionsResource(kOptionNoUserInterface, "", 3)},
  };
  for (const Case& c : cases) {
    posix_testing::Reset();
    ResetRunState();
    posix_testing::SetQuietMessageBoxes(true);
    posix_testing::SetResource("STUBKIT", 1, c.bytes);
    UseInstaller(SingleEntry7z("setup.exe", "#!/bin/sh\n", 0755));
    RunEnd end = Run("stub.exe");
    EXPECT_TRUE(end.exited && end.code == 1) << c.name;
    EXPECT_EQ(end.reason, "options resource damaged") << c.name;
    const bool silent = c.bytes.size() >= 4 && (c.bytes[0] & kOptionNoUserInterface);
    EXPECT_EQ(posix_testing::MessageBoxes().size(), silent ? 0u : 1u) << c.name;
    EXPECT_TRUE(posix_testing::Windows().empty()) << c.name;
    EXPECT_TRUE(TempEntries().empty()) << c.name;
  }
}

// --run, --args and --title: the chosen program in a subfolder gets the packed arguments first,
// then the stub's own; the window shows the caption (UTF-8, set in UTF-16).
TEST_F(InstallerRun, OptionsChooseTheProgramItsArgumentsAndTheCaption) {
  const std::string report = files / "report.txt";
  const std::string script = "#!/bin/sh\nprintf '<%s>' \"$@\" > " + report + "\n";
  struct Case {
    std::string texts;       // run path, arguments, title
    const char* program;     // what runs, below the temporary directory
    const char* commandTail; // after the program's quoted path
    const char* arguments;   // as the program received them
    const char* caption;
  } cases[] = {
      {std::string(3, '\0'), "setup.exe", " /S", "</S>", "Unpack"},
      {std::string("bin\\tool.exe\0/quiet \"a b\" \"\"\0Acme \xc3\xa9t\xc3\xa9\0", 40),
       "bin\\tool.exe", "/quiet \"a b\" \"\"  /S", "</quiet><a b><></S>", "Acme \xc3\xa9t\xc3\xa9"},
  };
  for (const Case& c : cases) {
    posix_testing::Reset();
    ResetRunState();
    posix_testing::SetResource("STUBKIT", 1, OptionsResource(0, c.texts));
    UseInstaller(ScriptArchive({{u"setup.exe", script}, {u"bin/tool.exe", script}}));
    RunEnd end = Run("stub.exe /S");
    ASSERT_FALSE(end.exited) << end.reason;
    std::vector<std::string> started = posix_testing::CreatedProcesses();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0], "\"" + std::string(TempDirName) + "\\" + c.program + "\" " +
                              c.commandTail);
    EXPECT_EQ(ReadFileBytes(report), c.arguments);
    ASSERT_FALSE(posix_testing::Windows().empty());
    EXPECT_EQ(posix_testing::Windows()[0].title, c.caption);
    EXPECT_TRUE(TempEntries().empty());
  }
}

// --ui none: no window and no box; a failure still cleans up and exits 1, and its texts go to
// the debugger's output.
TEST_F(InstallerRun, NoUserInterfaceShowsNothingAndTellsTheDebugger) {
  posix_testing::SetResource("STUBKIT", 1, OptionsResource(kOptionNoUserInterface,
                                                           std::string(3, '\0')));
  UseInstaller(SingleEntry7z("setup.exe", "#!/bin/sh\n", 0755));
  posix_testing::FailCall(posix_testing::Api::CreateFileA, 2);  // 1: the stub, 2: setup.exe
  RunEnd end = Run("stub.exe");
  EXPECT_TRUE(end.exited && end.code == 1);
  EXPECT_TRUE(posix_testing::MessageBoxes().empty());
  EXPECT_TRUE(posix_testing::Windows().empty());
  auto calls = posix_testing::Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "OutputDebugStringA Can not open output file"),
            calls.end());
  EXPECT_NE(std::find(calls.begin(), calls.end(),
                      std::string("OutputDebugStringA ") + kGeneralFailureText),
            calls.end());
  EXPECT_TRUE(TempEntries().empty());
}

// setup.exe starts bin/helper.exe and returns at once; the helper reads its file a moment
// later. With --wait all the files stay until the helper has ended; with setup (the default)
// they are gone before it reads. A process that leaves the job (its own session) is not
// waited for.
TEST_F(InstallerRun, WaitForAllOutlastsWhatSetupStarts) {
  const std::string report = files / "report.txt";
  const std::string helper =
      "#!/bin/sh\nsleep 0.5\ncat \"$(dirname \"$0\")/data.txt\" > " + report + "\n";
  struct Case {
    const char* name;
    uint32_t flags;
    const char* start;  // how setup.exe starts the helper
    const char* read;   // what the helper found, once the run is over and it has ended
  } cases[] = {
      {"wait all", kOptionWaitForAll, "bin/helper.exe &", "data"},
      {"wait setup", 0, "bin/helper.exe &", ""},
      {"helper leaves the job", kOptionWaitForAll, "setsid bin/helper.exe &", ""},
  };
  for (const Case& c : cases) {
    posix_testing::Reset();
    ResetRunState();
    std::remove(report.c_str());
    posix_testing::SetResource("STUBKIT", 1, OptionsResource(c.flags, std::string(3, '\0')));
    UseInstaller(ScriptArchive({{u"setup.exe", std::string("#!/bin/sh\n") + c.start + "\n"},
                                {u"bin/helper.exe", helper},
                                {u"bin/data.txt", "data"}}));
    RunEnd end = Run("stub.exe");
    ASSERT_FALSE(end.exited) << c.name << end.reason;
    EXPECT_TRUE(TempEntries().empty()) << c.name;
    if (!*c.read) std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    EXPECT_EQ(ReadFileBytes(report), c.read) << c.name;
  }
}

TEST_F(InstallerRun, FailurePathShowsBothBoxesClosesHandlesThenRemovesTheTree) {
  UseInstaller(SingleEntry7z("setup.exe", "#!/bin/sh\n", 0755));
  posix_testing::FailCall(posix_testing::Api::CreateFileA, 2);  // 1: the stub, 2: setup.exe
  RunEnd end = Run("stub.exe");
  ASSERT_TRUE(end.exited);
  EXPECT_EQ(end.code, 1u);
  EXPECT_EQ(end.reason, "output file cannot be created");
  auto boxes = posix_testing::MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].caption, "Unpacker");
  EXPECT_EQ(boxes[0].text, "Can not open output file");
  EXPECT_EQ(boxes[0].owner, nullptr);
  EXPECT_EQ(boxes[0].type, MB_ICONERROR);
  EXPECT_EQ(boxes[1].caption, "Error of Unpacking");
  EXPECT_EQ(boxes[1].text, kGeneralFailureText);
  EXPECT_EQ(boxes[1].owner, mainWindow);
  EXPECT_NE(mainWindow, nullptr);
  EXPECT_TRUE(TempEntries().empty());
  char cwd[4096];
  EXPECT_EQ(std::string(getcwd(cwd, sizeof cwd)), startDir);
}

TEST_F(InstallerRun, NormalRunClosesKeptFilesBeforeSetupAndRemovesTheTreeAfter) {
  UseInstaller(SingleEntry7z("setup.exe", "#!/bin/sh\n", 0755));
  RunEnd end = Run("stub.exe");
  ASSERT_FALSE(end.exited) << end.reason;
  auto calls = posix_testing::Calls();
  auto at = [&](const std::string& prefix) {
    return std::find_if(calls.begin(), calls.end(),
                        [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }) -
           calls.begin();
  };
  // The window goes first, then the kept handle, then setup runs, then the tree goes.
  EXPECT_LT(at("DestroyWindow Unpack"), at("CloseHandle"));
  EXPECT_LT(at("CloseHandle"), at("CreateProcessA"));
  EXPECT_LT(at("CreateProcessA"), at("RemoveDirectoryA " + std::string(TempDirName)));
  // The run leaves the directory before removing it, so its own current directory never
  // keeps the directory busy.
  EXPECT_LT(at("CreateProcessA"), at("SetCurrentDirectoryA " + startDir));
  EXPECT_LT(at("SetCurrentDirectoryA " + startDir),
            at("RemoveDirectoryA " + std::string(TempDirName)));
}

// Another program holds setup.exe open (no delete sharing) from the moment setup ends: the
// removal tries again for about two seconds, and the run ends with 0 either way.
TEST_F(InstallerRun, RemovalWaitsBrieflyForAFileInUse) {
  using Clock = std::chrono::steady_clock;
  struct Case {
    int holdMs;  // -1: held until the run has ended
    bool treeGone;
  } cases[] = {{500, true}, {-1, false}};
  for (const Case& c : cases) {
    posix_testing::Reset();
    ResetRunState();
    UseInstaller(SingleEntry7z("setup.exe", "#!/bin/sh\n", 0755));
    HANDLE held = INVALID_HANDLE_VALUE;
    Clock::time_point since;
    posix_testing::BeforeCall(posix_testing::Api::SetCurrentDirectoryA, 2, [&] {
      std::string setup = std::string(TempDirName) + "\\setup.exe";
      held = CreateFileA(setup.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
      since = Clock::now();
    });
    // Each pass of the removal looks the tree up again: the holder lets go at the first look
    // after its time.
    for (uint32_t nth = 1; nth <= 200; ++nth) {
      posix_testing::BeforeCall(posix_testing::Api::FindFirstFileA, nth, [&] {
        if (held == INVALID_HANDLE_VALUE || c.holdMs < 0 ||
            Clock::now() - since < std::chrono::milliseconds(c.holdMs))
          return;
        CloseHandle(held);
        held = INVALID_HANDLE_VALUE;
      });
    }
    RunEnd end = Run("stub.exe");
    const auto took = Clock::now() - since;
    ASSERT_FALSE(end.exited) << end.reason;
    ASSERT_NE(held == INVALID_HANDLE_VALUE, c.holdMs < 0) << c.holdMs;
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(TempEntries().empty(), c.treeGone) << c.holdMs;
    if (c.holdMs < 0) {
      EXPECT_GE(took, std::chrono::milliseconds(1900));  // about two seconds, then left
      EXPECT_LT(took, std::chrono::milliseconds(4000));
      CloseHandle(held);
      std::filesystem::remove_all(TempDirName);
    }
  }
}

TEST_F(InstallerRun, UnreadableStubFileReportsItsOwnTextFirst) {
  posix_testing::SetModuleFileName((files / "missing.exe").c_str());
  RunEnd end = Run("stub.exe");
  ASSERT_TRUE(end.exited);
  EXPECT_EQ(end.code, 1u);
  auto boxes = posix_testing::MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "Can not open input file");
  EXPECT_EQ(boxes[1].caption, "Error of Unpacking");
  EXPECT_TRUE(TempEntries().empty());
}

TEST_F(InstallerRun, NoArchiveInTheStubEndsWithTheGeneralBoxAlone) {
  WriteFileBytes(stubFile, std::string(5000, 'x'));
  posix_testing::SetModuleFileName(stubFile.c_str());
  RunEnd end = Run("stub.exe");
  ASSERT_TRUE(end.exited);
  EXPECT_EQ(end.code, 1u);
  auto boxes = posix_testing::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Error of Unpacking");
  EXPECT_TRUE(TempEntries().empty());
}

TEST_F(InstallerRun, NoTemporaryNameAtAllRemovesNothing) {
  WriteFileBytes(temp / "bystander", "b");
  for (uint32_t nth = 1; nth <= 64; ++nth)
    posix_testing::FailCall(posix_testing::Api::GetTempFileNameA, nth);
  UseInstaller(SingleEntry7z("setup.exe", "#!/bin/sh\n", 0755));
  RunEnd end = Run("stub.exe");
  ASSERT_TRUE(end.exited);
  EXPECT_EQ(end.reason, "temporary directory not created");
  EXPECT_EQ(posix_testing::CallCount(posix_testing::Api::CreateDirectoryA), 16u);  // bounded
  EXPECT_EQ(ReadFileBytes(temp / "bystander"), "b");
  EXPECT_EQ(ReadFileBytes(stubFile).empty(), false);
}

TEST_F(InstallerRun, OverlongTemporaryNameIsRefusedBeforeAnyBufferOverflows) {
  // A name of 252 characters: it fits its buffer, but "\\setup.exe" no longer does.
  std::string deep = temp.path();
  while (deep.size() < 230) deep += "/dddddddddd";
  deep += "/" + std::string(239 - deep.size(), 'e');
  ASSERT_EQ(std::system(("mkdir -p '" + deep + "'").c_str()), 0);
  setenv("TMPDIR", deep.c_str(), 1);
  UseInstaller(SingleEntry7z("setup.exe", "#!/bin/sh\n", 0755));
  RunEnd end = Run("stub.exe");
  ASSERT_TRUE(end.exited);
  EXPECT_EQ(end.reason, "temporary directory name too long");
  for (auto& e : std::filesystem::directory_iterator(deep)) ADD_FAILURE() << e.path();
}

// Someone else makes the reserved name a directory or a link to one in the moment between
// the placeholder's deletion and the creation: the run draws another name and never writes
// into theirs.
TEST_F(InstallerRun, TemporaryNameTakenByAnotherIsNeverUsed) {
  std::string elsewhere = files / "elsewhere";
  ASSERT_EQ(mkdir(elsewhere.c_str(), 0777), 0);
  for (bool asLink : {false, true}) {
    posix_testing::Reset();
    ResetRunState();
    UseInstaller(SingleEntry7z("setup.exe", "#!/bin/sh\n", 0755));
    std::string taken;
    posix_testing::BeforeCall(posix_testing::Api::CreateDirectoryA, 1, [&] {
      taken = TempDirName;
      for (char& c : taken)
        if (c == '\\') c = '/';
      if (asLink) ASSERT_EQ(symlink(elsewhere.c_str(), taken.c_str()), 0);
      else ASSERT_EQ(mkdir(taken.c_str(), 0777), 0);
    });
    RunEnd end = Run("stub.exe");
    ASSERT_FALSE(end.exited) << end.reason;
    EXPECT_NE(taken, TempDirName);
    EXPECT_EQ(posix_testing::CallCount(posix_testing::Api::CreateDirectoryA), 2u);
    EXPECT_EQ(posix_testing::CreatedProcesses().size(), 1u);
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere)) << asLink;
    std::vector<std::string> left = TempEntries();  // only the other's directory or link
    ASSERT_EQ(left.size(), 1u) << asLink;
    EXPECT_EQ(temp / left[0], taken);
    std::filesystem::remove(taken);
  }
}

// When Windows wants consent before setup.exe runs, the shell starts it with the same tail,
// and the run waits for it; a refused consent or any other failure to start ends the run with
// exit code 1 after the clean-up.
TEST_F(InstallerRun, SetupThatNeedsConsentStartsThroughTheShell) {
  std::string report = files / "report.txt";
  UseInstaller(SingleEntry7z(
      "setup.exe", "#!/bin/sh\nsleep 0.2\n{ pwd; printf '<%s>' \"$@\"; } > \"$1\"\n", 0755));
  posix_testing::FailCall(posix_testing::Api::CreateProcessA, 1, ERROR_ELEVATION_REQUIRED);
  std::string commandLine = "stub.exe " + report + " \"two words\"";
  RunEnd end = Run(commandLine.c_str());
  ASSERT_FALSE(end.exited) << end.reason;
  EXPECT_EQ(exitCode, 0);
  std::vector<std::string> started = posix_testing::CreatedProcesses();
  ASSERT_EQ(started.size(), 1u);  // the failed CreateProcessA started nothing
  EXPECT_EQ(started[0], "ShellExecuteExA " + std::string(TempDirName) + "\\setup.exe  " +
                            report + " \"two words\"");
  EXPECT_EQ(ReadFileBytes(report), std::string(TempDirName) + "\n<" + report + "><two words>");
  EXPECT_TRUE(TempEntries().empty());
}

TEST_F(InstallerRun, SetupThatCannotStartEndsWithOneAfterTheCleanUp) {
  struct Case {
    const char* name;
    uint32_t mode;                // of setup.exe
    DWORD shellError;             // ShellExecuteExA fails so, after an elevation request
  } cases[] = {{"not executable", 0644, 0},
               {"consent refused", 0755, ERROR_CANCELLED},
               {"shell fails otherwise", 0755, ERROR_ACCESS_DENIED}};
  for (const Case& c : cases) {
    posix_testing::Reset();
    ResetRunState();
    UseInstaller(SingleEntry7z("setup.exe", "#!/bin/sh\ntouch \"$0.ran\"\n", c.mode));
    if (c.shellError) {
      posix_testing::FailCall(posix_testing::Api::CreateProcessA, 1, ERROR_ELEVATION_REQUIRED);
      posix_testing::FailCall(posix_testing::Api::ShellExecuteExA, 1, c.shellError);
    }
    RunEnd end = Run("stub.exe");
    EXPECT_TRUE(end.exited && end.code == 1) << c.name;
    EXPECT_EQ(end.reason, "setup program cannot be started") << c.name;
    auto boxes = posix_testing::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u) << c.name;
    EXPECT_EQ(boxes[0].text, kGeneralFailureText);
    EXPECT_EQ(boxes[0].owner, nullptr);  // the window is gone by then
    EXPECT_TRUE(TempEntries().empty()) << c.name;
  }
}

}  // namespace
