// Whole installer runs, in-process, over hostile archives: each must end soundly (exit code 1
// for the reason that fits, or 0 where unpacking is sound), leave nothing outside its
// temporary directory and take that directory with it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "driver/InstallerMain.h"
#include "driver/RunState.h"
#include "fixtures/Bsdtar.h"
#include "fixtures/FatalExpect.h"
#include "fixtures/HostileArchives.h"
#include "fixtures/TempDir.h"

namespace {

namespace fs = std::filesystem;
using fixture::HostileCase;
using fixture::Outcome;

std::set<std::string> Names(const std::string& dir) {
  std::set<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    names.insert(it->path().filename().string());
  return names;
}

std::string Join(const std::set<std::string>& names) {
  std::string all;
  for (const std::string& n : names) all += n.substr(0, 60) + " ";
  return all;
}

class HostileArchive : public ::testing::Test {
 protected:
  void SetUp() override {
    char cwd[4096];
    startDir = getcwd(cwd, sizeof cwd);
    // The run's temporary directory goes two levels below the root, so that entries that climb
    // one or two levels out land where this test looks.
    fs::create_directories(temp);
    fs::create_directories(root / "outside/victimdir");
    WriteFileBytes(root / "outside/victim.txt", "victim");
    setenv("TMPDIR", temp.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("TMPDIR");
    posix_testing::Reset();
    EXPECT_EQ(chdir(startDir.c_str()), 0);
  }

  // Runs the whole installer over the archive; returns whether it ended soundly, with every
  // failure added to the test.
  bool RunCase(const HostileCase& c) {
    posix_testing::Reset();
    ResetRunState();
    WriteFileBytes(root / "stub.exe", Installer("MZ stub image\x38\x7a\xbc\xaf\x27\x1c",
                                                std::string(c.archive.begin(), c.archive.end())));
    posix_testing::SetModuleFileName((root / "stub.exe").c_str());
    int exitCode = -1;
    RunEnd end = RunUntilExit([&] { exitCode = InstallerMain(GetModuleHandleA(nullptr), "stub"); });

    bool sound = true;
    auto check = [&](bool ok, const std::string& what) {
      if (!ok) ADD_FAILURE() << c.name << ": " << what;
      sound &= ok;
    };
    switch (c.outcome) {
      case Outcome::kFails:
        check(end.exited && end.code == 1, "did not end through the failure path");
        check(std::find(c.reasons.begin(), c.reasons.end(), end.reason) != c.reasons.end(),
              "ended for another reason: " + end.reason);
        break;
      case Outcome::kCompletes:
        check(!end.exited && exitCode == 0, "did not complete: " + end.reason);
        break;
      case Outcome::kEither:
        check(end.exited ? end.code == 1 : exitCode == 0, "ended with another exit code");
        break;
    }
    if (end.exited) {
      auto boxes = posix_testing::MessageBoxes();
      check(!boxes.empty() && boxes.back().text == kGeneralFailureText, "no general box last");
    }
    char cwd[4096];
    check(std::string(getcwd(cwd, sizeof cwd)) == startDir, "current directory not restored");
    check(Names(root.path()) == std::set<std::string>{"t1", "outside", "stub.exe"},
          "written beside the temporary root: " + Join(Names(root.path())));
    check(Names(root / "t1") == std::set<std::string>{"t2"},
          "written beside the temporary directory: " + Join(Names(root / "t1")));
    check(Names(root / "outside") == std::set<std::string>{"victim.txt", "victimdir"} &&
              ReadFileBytes(root / "outside/victim.txt") == "victim",
          "something outside changed");
    check(Names(temp).empty(), "temporary directory left behind: " + Join(Names(temp)));

    // The next case starts from a clean slate whatever this one left.
    std::error_code ec;
    for (const std::string& name : Names(temp)) fs::remove_all(temp + "/" + name, ec);
    for (const std::string& name : Names(root / "t1"))
      if (name != "t2") fs::remove_all(root / "t1" + "/" + name, ec);
    for (const std::string& name : Names(root.path()))
      if (name != "t1" && name != "outside" && name != "stub.exe") fs::remove_all(root / name, ec);
    return sound;
  }

  TempDir root;
  std::string temp = root / "t1/t2";
  std::string startDir;
};

TEST_F(HostileArchive, EveryCaseEndsSoundlyAndLeavesNothingBehind) {
  std::vector<HostileCase> cases = fixture::HostileCases(root / "outside");
  ASSERT_GT(cases.size(), 150u);
  size_t sound = 0;
  for (const HostileCase& c : cases) sound += RunCase(c);
  EXPECT_EQ(sound, cases.size());
  std::printf("hostile archives: %zu of %zu ended soundly\n", sound, cases.size());
}

// The escape targets a victim outside: an anti-item may not delete it, a file may not replace
// it, whatever the form of the path.
TEST_F(HostileArchive, AbsoluteAntiItemLeavesItsTargetAlone) {
  std::u16string victim;
  for (char ch : root / "outside/victim.txt") victim += char16_t(ch);
  std::u16string victimDir;
  for (char ch : root / "outside/victimdir") victimDir += char16_t(ch);
  std::vector<HostileCase> cases = {
      {"anti file", fixture::ItemsArchive({fixture::Anti(victim, false)}), Outcome::kFails,
       {"entry path leaves the output directory"}},
      {"anti dir", fixture::ItemsArchive({fixture::Anti(victimDir, true)}), Outcome::kFails,
       {"entry path leaves the output directory"}},
      {"climbing anti file",
       fixture::ItemsArchive({fixture::Anti(u"../../../outside/victim.txt", false)}),
       Outcome::kFails, {"entry path leaves the output directory"}},
      {"overwrite", fixture::ItemsArchive({fixture::File(victim, "replaced")}), Outcome::kFails,
       {"entry path leaves the output directory"}},
  };
  for (const HostileCase& c : cases) RunCase(c);
}

}  // namespace
