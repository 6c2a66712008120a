// Installer runs as processes in the conditions a user's machine may give them: signals while
// unpacking or while setup.exe runs, a relative TMPDIR, a user other than root with read-only
// directories in the archive, a low descriptor limit. Each run must clean up after itself.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "InstallerProcess.h"
#include "fixtures/CraftedArchive.h"
#include "stubpack/TestFiles.h"

namespace {

namespace fs = std::filesystem;
using fixture::CraftedEntry;

const uint32_t kExecutable = 0x8000u | (0755u << 16) | 0x20;

using fixture::CraftedDirectory;
using fixture::CraftedFile;

// Starts `sh -c command` and returns its process id; the command ends in `exec`, so that the
// id is the installer's.
pid_t Start(const std::string& command) {
  const pid_t pid = fork();
  if (pid == 0) {
    for (int s : {SIGINT, SIGHUP, SIGTERM}) signal(s, SIG_DFL);
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

int ExitCodeOf(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

bool AppearsWithin(const std::string& path, int seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!fs::exists(path)) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

class InstallerEnvironment : public ::testing::Test {
 protected:
  void SetUp() override { SKIP_UNLESS_STUB_FITS(); }

  std::string Installer(const std::vector<CraftedEntry>& entries) {
    const std::string path = files.Path() + "/installer" + std::to_string(++count) + ".exe";
    WriteInstaller(path, fixture::CraftArchive(entries));
    return path;
  }
  void ExpectNothingLeftIn(const std::string& dir, const std::string& what) {
    for (const std::string& left : DirectoryEntries(dir))
      ADD_FAILURE() << what << ": left behind " << left;
  }

  TempDir tempRoot;  // TMPDIR of the runs
  TempDir files;
  int count = 0;
};

// Ctrl+C, a closed terminal or a request to stop: the run cleans up as on failure, shows no
// box, and ends with 128 + the signal. While setup.exe runs, it gets the signal, and the stub
// cleans up once it has ended.
TEST_F(InstallerEnvironment, SignalsEndTheRunCleanly) {
  // setup.exe records the signal it gets and ends; unless signalled it would sleep for long.
  const std::string setup =
      "#!/bin/sh\n"
      "got() { echo \"$1\" > \"$MARK_DIR/got\"; kill \"$child\"; exit 0; }\n"
      "trap 'got INT' INT; trap 'got HUP' HUP; trap 'got TERM' TERM\n"
      "sleep 60 & child=$!\n"
      "touch \"$MARK_DIR/running\"\n"
      "wait \"$child\"\n";
  const std::string installer = Installer(
      {CraftedFile(u"a.txt", "first"), CraftedFile(u"b.txt", "second"), CraftedFile(u"setup.exe", setup, kExecutable)});
  const std::string mark = files.Path() + "/paused";
  const std::string running = files.Path() + "/running";
  const std::string log = files.Path() + "/stderr";
  const struct {
    int signal;
    const char* name;
  } signals[] = {{SIGINT, "INT"}, {SIGHUP, "HUP"}, {SIGTERM, "TERM"}};
  for (const auto& s : signals) {
    for (bool duringSetup : {false, true}) {
      const std::string what =
          std::string(s.name) + (duringSetup ? " during setup" : " while unpacking");
      std::string command = "exec env TMPDIR=" + ShellQuote(tempRoot.Path()) +
                            " MARK_DIR=" + ShellQuote(files.Path());
      if (!duringSetup)
        command += " LD_PRELOAD=" + ShellQuote(PAUSE_PRELOAD_PATH) +
                   " STUBKIT_PAUSE_AT=b.txt STUBKIT_PAUSE_MARK=" + ShellQuote(mark);
      const pid_t pid = Start(command + " " + ShellQuote(installer) + " 2>" + ShellQuote(log));
      const std::string waitFor = duringSetup ? running : mark;
      ASSERT_TRUE(AppearsWithin(waitFor, 20)) << what;
      kill(pid, s.signal);
      fs::remove(waitFor);
      EXPECT_EQ(ExitCodeOf(pid), 128 + s.signal) << what;
      const std::vector<uint8_t> errors = ReadFile(log);
      EXPECT_EQ(std::string(errors.begin(), errors.end()), "") << what;
      ExpectNothingLeftIn(tempRoot.Path(), what);
      if (duringSetup) {
        const std::vector<uint8_t> got = ReadFile(files.Path() + "/got");
        EXPECT_EQ(std::string(got.begin(), got.end()), std::string(s.name) + "\n") << what;
      }
    }
  }
}

// The installer replaced on disk while it runs, after far more files were opened than
// descriptors are kept: the run goes on reading the file it started from.
TEST_F(InstallerEnvironment, ReplacedInstallerIsNotReadFromItsName) {
  std::vector<CraftedEntry> entries;
  for (int i = 0; i < 300; ++i) {
    const std::string name = "e" + std::to_string(i);
    entries.push_back(CraftedFile(std::u16string(name.begin(), name.end()), ""));
  }
  const std::vector<uint8_t> payload = RandomBytes(300000, 7);  // read from the file as it goes
  entries.push_back(CraftedFile(u"payload.bin", std::string(payload.begin(), payload.end())));
  entries.push_back(CraftedFile(u"setup.exe", "#!/bin/sh\ncp payload.bin \"$MARK_DIR/copy\"\n",
                         kExecutable));
  const std::string installer = Installer(entries);
  const std::string mark = files.Path() + "/paused";
  const pid_t pid = Start("exec env TMPDIR=" + ShellQuote(tempRoot.Path()) +
                          " MARK_DIR=" + ShellQuote(files.Path()) +
                          " LD_PRELOAD=" + ShellQuote(PAUSE_PRELOAD_PATH) +
                          " STUBKIT_PAUSE_AT=e299 STUBKIT_PAUSE_MARK=" + ShellQuote(mark) + " " +
                          ShellQuote(installer) + " </dev/null");
  ASSERT_TRUE(AppearsWithin(mark, 20));
  WriteFile(installer + ".new", std::vector<uint8_t>(fs::file_size(installer), 0));
  fs::rename(installer + ".new", installer);
  fs::remove(mark);
  EXPECT_EQ(ExitCodeOf(pid), 0);
  EXPECT_TRUE(ReadFile(files.Path() + "/copy") == payload);
  ExpectNothingLeftIn(tempRoot.Path(), "replaced installer");
}

// A relative TMPDIR names a directory below the current one; the run changes its current
// directory, so it must hold the full name to find and remove its tree.
TEST_F(InstallerEnvironment, RelativeTmpdirLeavesNothingBehind) {
  CraftedEntry damaged = CraftedFile(u"b.txt", "bytes that do not match their CRC");
  damaged.wrongCrc = true;
  const struct {
    const char* what;
    std::string installer;
    int exitCode;
  } runs[] = {{"complete run", Installer({CraftedFile(u"a.txt", "fine")}), 0},
              {"failed run", Installer({CraftedFile(u"a.txt", "fine"), damaged}), 1}};
  fs::create_directory(tempRoot.Path() + "/reltmp");
  for (const auto& run : runs) {
    RunResult result = RunShell("cd " + ShellQuote(tempRoot.Path()) + " && env TMPDIR=reltmp " +
                                ShellQuote(run.installer) + " </dev/null");
    EXPECT_EQ(result.exitCode, run.exitCode) << run.what << "\n" << result.output;
    ExpectNothingLeftIn(tempRoot.Path() + "/reltmp", run.what);
  }
}

// Windows ignores the read-only bit on directories; a directory entry that carries it (or a
// mode without write permission) must not keep a user other than root from removing the tree.
TEST_F(InstallerEnvironment, ReadOnlyDirectoriesAreRemovedByTheirOwner) {
  std::string asUser;
  if (geteuid() == 0) {
    if (RunShell("command -v setpriv").exitCode != 0)
      GTEST_SKIP() << "running as root without setpriv: cannot run the installer as another user";
    asUser = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    chmod(files.Path().c_str(), 0755);
    ASSERT_EQ(chown(tempRoot.Path().c_str(), 65534, 65534), 0);
  }
  const std::string installer =
      Installer({CraftedDirectory(u"bit", 0x11),                             // read-only bit
                 CraftedDirectory(u"mode", 0x8000u | (0555u << 16) | 0x10),  // r-x for all
                 CraftedDirectory(u"none", 0x8000u | (0000u << 16) | 0x11),  // nothing for anyone
                 CraftedFile(u"bit/f.txt", "a"), CraftedFile(u"mode/f.txt", "b"), CraftedFile(u"none/f.txt", "c")});
  RunResult result = RunShell(asUser + "env TMPDIR=" + ShellQuote(tempRoot.Path()) + " " +
                              ShellQuote(installer) + " </dev/null");
  EXPECT_EQ(result.exitCode, 0) << result.output;
  ExpectNothingLeftIn(tempRoot.Path(), "read-only directories");
}

// Far more files than descriptors: the layer keeps within the process's limit.
TEST_F(InstallerEnvironment, LowDescriptorLimitIsEnough) {
  std::vector<CraftedEntry> entries;
  for (int i = 0; i < 300; ++i) {
    const std::string name = "f" + std::to_string(i);
    entries.push_back(CraftedFile(std::u16string(name.begin(), name.end()), "x"));
  }
  const std::string installer = Installer(entries);
  RunResult result = RunShell("ulimit -n 40 && env TMPDIR=" + ShellQuote(tempRoot.Path()) + " " +
                              ShellQuote(installer) + " </dev/null");
  EXPECT_EQ(result.exitCode, 0) << result.output;
  ExpectNothingLeftIn(tempRoot.Path(), "300 files with 40 descriptors");
}

// The system's own paths are bytes on Linux: an installer name, a TMPDIR or an output directory
// that is not UTF-8 (here Latin-1) is used as it is, by the stub and by stubpack alike, and so
// is a file of such a name that setup.exe leaves in the tree to remove.
TEST_F(InstallerEnvironment, PathsThatAreNotUtf8AreUsedAsBytes) {
  const std::string latin1 = "caf\xE9";
  const std::string setup = "#!/bin/sh\necho ran > \"$1\"\n: > left-" + latin1 + "\n";
  const std::string installer = Installer({CraftedFile(u"setup.exe", setup, kExecutable),
                                           CraftedFile(u"d/a.txt", "a")});
  const std::string named = files.Path() + "/inst-" + latin1 + ".bin";
  fs::copy_file(installer, named);
  const std::string tmp = files.Path() + "/tmp-" + latin1, out = files.Path() + "/out-" + latin1;
  fs::create_directory(tmp);
  const std::string report = files.Path() + "/report";
  const std::string stubpack = ShellQuote(StubpackPath()) + " ";
  const struct {
    const char* what;
    std::string command;
    std::string madeFile;  // must exist after the run
  } rows[] = {
      {"installer name", "env TMPDIR=" + ShellQuote(tempRoot.Path()) + " " + ShellQuote(named) +
                             " " + ShellQuote(report), report},
      {"TMPDIR", "env TMPDIR=" + ShellQuote(tmp) + " " + ShellQuote(installer) + " " +
                     ShellQuote(report), report},
      {"list by that name", stubpack + "list " + ShellQuote(named), ""},
      {"extract directory", stubpack + "extract " + ShellQuote(installer) + " " + ShellQuote(out),
       out + "/d/a.txt"},
      {"check with that TMPDIR", "env TMPDIR=" + ShellQuote(tmp) + " " + stubpack + "check " +
                                     ShellQuote(installer), ""},
  };
  for (const auto& row : rows) {
    fs::remove(report);
    RunResult result = RunShell(row.command + " </dev/null");
    EXPECT_EQ(result.exitCode, 0) << row.what << "\n" << result.output;
    if (!row.madeFile.empty()) {
      EXPECT_TRUE(fs::exists(row.madeFile)) << row.what;
    }
    ExpectNothingLeftIn(tmp, row.what);
    ExpectNothingLeftIn(tempRoot.Path(), row.what);
  }
}

}  // namespace
