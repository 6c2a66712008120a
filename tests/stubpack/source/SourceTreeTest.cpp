// The mode stored for each entry depends on what the owner may do, never on the umask.
#include "source/SourceTree.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

TEST(SourceTree, NormalisesStoredModes) {
  struct Row {
    bool directory;
    uint32_t mode, stored;
    bool readOnly;
  } rows[] = {
      {true, S_IFDIR | 0775, S_IFDIR | 0755, false},
      {true, S_IFDIR | 0500, S_IFDIR | 0755, false},
      {false, S_IFREG | 0664, S_IFREG | 0644, false},
      {false, S_IFREG | 0600, S_IFREG | 0644, false},
      {false, S_IFREG | 0775, S_IFREG | 0755, false},
      {false, S_IFREG | 0744, S_IFREG | 0755, false},
      {false, S_IFREG | 0444, S_IFREG | 0444, true},
      {false, S_IFREG | 0464, S_IFREG | 0444, true},
      {false, S_IFREG | 0555, S_IFREG | 0555, true},
      {false, S_IFREG | 04755, S_IFREG | 0755, false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(NormalisedMode(row.directory, row.mode), row.stored) << std::oct << row.mode;
    const uint32_t attributes = WindowsAttributes(row.directory, row.mode);
    EXPECT_EQ(attributes >> 16, row.stored) << std::oct << row.mode;
    EXPECT_EQ((attributes & 1) != 0, row.readOnly) << std::oct << row.mode;
  }
}

}  // namespace
