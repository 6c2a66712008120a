#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "driver/RemoveTree.h"
#include "fixtures/TempDir.h"
#include "platform/testing/PosixTesting.h"

namespace {

bool Exists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

TEST(RemoveTree, RemovesNestedTreesDepthFirst) {
  posix_testing::Reset();
  TempDir dir;
  std::string root = dir / "run";
  mkdir(root.c_str(), 0755);
  mkdir((root + "/a").c_str(), 0755);
  mkdir((root + "/a/b").c_str(), 0755);
  WriteFileBytes(root + "/a/b/c.txt", "c");
  WriteFileBytes(root + "/top.txt", "t");
  RemoveTree(WideString::FromAnsi((root).c_str()));
  EXPECT_FALSE(Exists(root));
  // Depth first: the inner directory goes before the outer one.
  std::vector<std::string> calls = posix_testing::Calls();
  auto at = [&](const std::string& call) {
    return std::find(calls.begin(), calls.end(), call) - calls.begin();
  };
  EXPECT_LT(at("RemoveDirectoryA " + root + "/a/b"), at("RemoveDirectoryA " + root + "/a"));
  EXPECT_LT(at("RemoveDirectoryA " + root + "/a"), at("RemoveDirectoryA " + root));
}

TEST(RemoveTree, ReadOnlyFileGoesWithItsDirectoryChain) {
  TempDir dir;
  std::string root = dir / "run";
  mkdir(root.c_str(), 0755);
  mkdir((root + "/keep").c_str(), 0755);
  WriteFileBytes(root + "/keep/ro.txt", "r");
  chmod((root + "/keep/ro.txt").c_str(), 0444);
  mkdir((root + "/gone").c_str(), 0755);
  WriteFileBytes(root + "/gone/x", "x");
  RemoveTree(WideString::FromAnsi(root.c_str()));
  EXPECT_FALSE(Exists(root));
}

TEST(RemoveTree, LinksAreRemovedWithoutTouchingTheirTargets) {
  TempDir dir;
  std::string outside = dir / "outside";
  mkdir(outside.c_str(), 0755);
  WriteFileBytes(outside + "/precious", "p");
  std::string root = dir / "run";
  mkdir(root.c_str(), 0755);
  ASSERT_EQ(symlink(outside.c_str(), (root + "/dirlink").c_str()), 0);
  ASSERT_EQ(symlink((outside + "/precious").c_str(), (root + "/filelink").c_str()), 0);
  chmod((outside + "/precious").c_str(), 0444);  // a read-only target stays read-only
  RemoveTree(WideString::FromAnsi(root.c_str()));
  EXPECT_FALSE(Exists(root));
  EXPECT_EQ(ReadFileBytes(outside + "/precious"), "p");
  struct stat info;
  ASSERT_EQ(stat((outside + "/precious").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0444u);

  // The directory itself replaced by a link: the link goes, the target keeps its files.
  ASSERT_EQ(symlink(outside.c_str(), root.c_str()), 0);
  RemoveTree(WideString::FromAnsi(root.c_str()));
  EXPECT_FALSE(Exists(root));
  EXPECT_EQ(ReadFileBytes(outside + "/precious"), "p");
}

// A search open per level would run out of descriptors long before the bottom of this tree
// (300 levels under a limit of 64; deeper trees only cost time, every call walks the path).
TEST(RemoveTree, DepthCostsNoDescriptors) {
  TempDir dir;
  std::string root = dir / "run";
  mkdir(root.c_str(), 0755);
  int level = open(root.c_str(), O_DIRECTORY | O_RDONLY);
  for (int i = 0; i < 300 && level >= 0; ++i) {
    ASSERT_EQ(mkdirat(level, "d", 0755), 0) << i;
    int file = openat(level, "f", O_CREAT | O_WRONLY, 0644);
    close(file);
    int next = openat(level, "d", O_DIRECTORY | O_RDONLY);
    close(level);
    level = next;
  }
  ASSERT_GE(level, 0);
  close(level);

  rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit low = saved;
  low.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
  RemoveTree(WideString::FromAnsi(root.c_str()));
  setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_FALSE(Exists(root));
}

TEST(RemoveTree, UnusableNamesRemoveNothing) {
  for (const char* name : {"", "\\", "/", "relative\\dir", "C:\\", "/tmp/../", "/tmp/./x",
                           "\\\\server\\share"}) {
    EXPECT_FALSE(IsRemovableTreeName(WideString::FromAnsi(name))) << name;
  }
  EXPECT_TRUE(IsRemovableTreeName(WideString::FromAnsi("/tmp/cab12.tmp")));
  EXPECT_TRUE(IsRemovableTreeName(WideString::FromAnsi("C:\\Temp\\cab12.tmp")));

  TempDir dir;
  WriteFileBytes(dir / "stays", "s");
  char saved[4096];
  ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  RemoveTree(WideString());  // would be the root of the current drive
  RemoveTree(WideString::FromAnsi("."));
  EXPECT_EQ(chdir(saved), 0);
  EXPECT_TRUE(Exists(dir / "stays"));
}

}  // namespace
