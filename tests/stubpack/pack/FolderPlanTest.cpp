#include "pack/FolderPlan.h"

#include <gtest/gtest.h>

#include "base/PackError.h"

namespace {

constexpr uint64_t MiB = 1u << 20;

TEST(FolderPlan, WindowLimitMatchesTheUnpackersMemoryModel) {
  EXPECT_EQ(LzmaWindowLimit(0), 2 * MiB);
  EXPECT_EQ(LzmaWindowLimit(1 * MiB), 3 * MiB);
  EXPECT_EQ(LzmaWindowLimit(8 * MiB), 16 * MiB);
  EXPECT_EQ(MaxFolderSize(), 512 * MiB);
}

TEST(FolderPlan, ChoosesADictionaryWhoseWindowHoldsTheOutput) {
  struct Case {
    uint64_t output;
    uint32_t preferred;
  };
  const Case cases[] = {{0, 64 * MiB},        {100, 64 * MiB},      {5 * MiB, 64 * MiB},
                        {64 * MiB, 64 * MiB}, {3 * MiB + 1, 1 * MiB}, {4 * MiB, 1 * MiB},
                        {17 * MiB, 8 * MiB},  {300 * MiB, 64 * MiB}, {512 * MiB, 64 * MiB},
                        {2 * MiB + 5, 4096},  {4 * MiB + 1, 4096}};
  for (const Case& c : cases) {
    const uint32_t dict = ChooseDictionary(c.output, c.preferred);
    EXPECT_GE(LzmaWindowLimit(dict), c.output) << c.output;
    EXPECT_GE(dict, kLzmaMinDictionary);
    EXPECT_LE(dict, kLzmaMaxDictionary);
  }
  // Small outputs get no more dictionary than they need, large ones no more than preferred.
  EXPECT_EQ(ChooseDictionary(100, 64 * MiB), 4096u);
  EXPECT_EQ(ChooseDictionary(5 * MiB, 64 * MiB), 6 * MiB);
  EXPECT_EQ(ChooseDictionary(40 * MiB, 32 * MiB), 32 * MiB);
  EXPECT_EQ(ChooseDictionary(4 * MiB, 1 * MiB), 2 * MiB);
  EXPECT_THROW(ChooseDictionary(512 * MiB + 1, 64 * MiB), PackError);
}

std::vector<PlanInput> Inputs(std::initializer_list<std::pair<uint64_t, bool>> files) {
  std::vector<PlanInput> inputs;
  for (const auto& f : files) inputs.push_back({"f" + std::to_string(inputs.size()), f.first, f.second});
  return inputs;
}

TEST(FolderPlan, PutsBcj2FilesFirstAndFillsFoldersUpToTheSolidSize) {
  const auto folders = PlanFolders(
      Inputs({{40, false}, {30, true}, {50, false}, {80, true}, {10, false}, {200, false}}), 100);
  ASSERT_EQ(folders.size(), 4u);
  EXPECT_TRUE(folders[0].bcj2);
  EXPECT_EQ(folders[0].files, (std::vector<size_t>{1}));
  EXPECT_EQ(folders[1].files, (std::vector<size_t>{3}));
  EXPECT_FALSE(folders[2].bcj2);
  EXPECT_EQ(folders[2].files, (std::vector<size_t>{0, 2, 4}));
  EXPECT_EQ(folders[2].size, 100u);
  EXPECT_EQ(folders[3].files, (std::vector<size_t>{5}));  // larger than the solid size alone
}

TEST(FolderPlan, RefusesFilesTheUnpackerCannotHold) {
  EXPECT_THROW(PlanFolders(Inputs({{uint64_t{4} << 30, false}}), 64 * MiB), PackError);
  EXPECT_THROW(PlanFolders(Inputs({{512 * MiB + 1, false}}), 64 * MiB), PackError);
  EXPECT_EQ(PlanFolders(Inputs({{512 * MiB, false}}), 64 * MiB).size(), 1u);
  EXPECT_TRUE(PlanFolders({}, 64 * MiB).empty());
}

}  // namespace
