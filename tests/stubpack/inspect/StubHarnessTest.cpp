// The stub's extraction as stubpack runs it, against a directory someone else writes in.
#include "inspect/StubHarness.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "fixtures/CraftedArchive.h"
#include "platform/testing/PosixTesting.h"
#include "stubpack/TestFiles.h"

namespace {

namespace fs = std::filesystem;
using posix_testing::Api;

// Another user swaps a directory the run made for a link to their victim's directory at the
// chosen call: the run may fail, but nothing in the victim's directory is made, changed or
// deleted.
TEST(StubHarness, ExtractionNeverFollowsADirectorySwappedForALink) {
  struct Row {
    Api call;
    uint32_t nth;
    const char* what;
  } rows[] = {
      {Api::CreateFileA, 2, "the file in the way, d/profile.txt, is replaced"},
      {Api::CreateDirectoryA, 2, "d/e is made"},
  };
  for (const Row& row : rows) {
    TempDir dir;
    const std::string out = dir.Path() + "/out", victim = dir.Path() + "/victim";
    fs::create_directories(out);
    fs::create_directories(victim);
    WriteFile(victim + "/profile.txt", "the victim's");
    const std::string installer = dir.Path() + "/installer";
    WriteFile(installer, fixture::CraftArchive({fixture::CraftedFile(u"d/a.txt", "a"),
                                                fixture::CraftedFile(u"d/profile.txt", "planted"),
                                                fixture::CraftedFile(u"d/e/x.txt", "x")}));
    posix_testing::Reset();
    StubHarness harness;
    OpenedInstaller opened;
    ASSERT_FALSE(OpenInstaller(harness, installer, opened).failed);
    posix_testing::BeforeCall(row.call, row.nth, [&] {
      ASSERT_EQ(std::rename((out + "/d").c_str(), (dir.Path() + "/moved").c_str()), 0);
      ASSERT_EQ(symlink(victim.c_str(), (out + "/d").c_str()), 0);
    });
    const ExtractionReport report = ExtractWithStub(harness, installer, opened, out);
    EXPECT_TRUE(report.outcome.failed) << row.what;
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(victim)) left.push_back(entry.path().string());
    EXPECT_EQ(left, std::vector<std::string>{victim + "/profile.txt"}) << row.what;
    const std::vector<uint8_t> kept = ReadFile(victim + "/profile.txt");
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "the victim's") << row.what;
    posix_testing::Reset();
  }
}

}  // namespace
