// Faults that fuzzing and the hostile-archive suite found, one test each, at the unit that had
// the fault.
#include <gtest/gtest.h>

#include "archive/ArchiveDatabase.h"
#include "fixtures/FatalExpect.h"

namespace {

TEST(HardeningRegression, LastFolderWithoutPackedStreamsHasNoStreamPosition) {
  // Folder 0 has one packed stream, folder 1 (a coder of no in-streams) none: its first
  // stream would be the table's end.
  ArchiveDatabase db;
  db.PackSizes.Add(10);
  for (uint64_t ins : {1, 0}) {
    Folder f;
    CoderInfo c;
    c.NumInStreams = ins;
    f.Coders.Add(c);
    if (ins) f.PackedStreams.Add(0);
    f.UnpackSizes.Add(5);
    db.Folders.Add(f);
    db.NumUnpackStreams.Add(1);
  }
  db.DataStart = 32;
  db.BuildDerivedTables();
  EXPECT_EQ(db.FolderStreamPosition(0, 0), 32u);
  EXPECT_EQ(FatalReasonOf([&] { db.FolderStreamPosition(1, 0); }),
            "folder without that packed stream");
  EXPECT_EQ(FatalReasonOf([&] { db.FolderStreamPosition(0, 1); }),
            "folder without that packed stream");
}

}  // namespace
