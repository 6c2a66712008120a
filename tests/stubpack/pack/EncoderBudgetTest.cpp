// How many folders are encoded at once, and what each costs.
#include "pack/EncoderBudget.h"

#include <gtest/gtest.h>

namespace {

TEST(EncoderBudget, AsManyAsRequestedFoldersAndMemoryAllow) {
  constexpr uint64_t MiB = 1u << 20;
  struct Case {
    unsigned requested;
    size_t folders;
    uint64_t folderMemory, usable;
    unsigned encoders;
    bool limitedByMemory;
  };
  const Case cases[] = {
      {2, 5, 900 * MiB, 16000 * MiB, 2, false},  // as requested
      {8, 3, 900 * MiB, 16000 * MiB, 3, false},  // no more than there are folders
      {8, 0, 900 * MiB, 16000 * MiB, 1, false},  // nothing to encode: one
      {4, 9, 900 * MiB, 2000 * MiB, 2, true},    // two fit the memory
      {4, 9, 900 * MiB, 500 * MiB, 1, true},     // one always runs
      {4, 9, 900 * MiB, 0, 1, true},             // unknown memory: one
      {1, 9, 900 * MiB, 0, 1, false},            // one was asked for
  };
  for (const Case& c : cases) {
    const EncoderBudget budget = PlanEncoders(c.requested, c.folders, c.folderMemory, c.usable);
    EXPECT_EQ(budget.encoders, c.encoders) << c.requested << " " << c.usable;
    EXPECT_EQ(budget.limitedByMemory, c.limitedByMemory) << c.requested << " " << c.usable;
  }
}

TEST(EncoderBudget, FolderMemoryFollowsTheFoldersDictionary) {
  constexpr uint64_t MiB = 1u << 20;
  const LzmaSettings defaults;
  // The default 64 MiB dictionary with bt4 takes liblzma about 674 MiB, plus the data.
  const uint64_t large = FolderMemory(64 * MiB, defaults);
  EXPECT_GT(large, 600 * MiB + 4 * 64 * MiB);
  EXPECT_LT(large, 800 * MiB + 4 * 64 * MiB);
  // A small folder gets a small dictionary, and its encoder needs far less.
  EXPECT_LT(FolderMemory(1 * MiB, defaults), 64 * MiB);
}

}  // namespace
