// Faults that fuzzing and the hostile-archive suite found, one test each, at the unit that had
// the fault.
#include <gtest/gtest.h>

#include "archive/ArchiveDatabase.h"
#include "driver/ProgressWindow.h"
#include "driver/RunState.h"
#include "fixtures/FatalExpect.h"
#include "fixtures/TempDir.h"

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

TEST(HardeningRegression, ReservedHandleSlotIsFilledWithoutMemory) {
  posix_testing::Reset();
  ResetRunState();
  // Counts 0 and 2 are where the list grows.
  for (int i = 0; i < 3; ++i) {
    ReserveOutputHandle();
    posix_testing::FailCall(posix_testing::Api::LocalAlloc, 1);
    EXPECT_EQ(FatalReasonOf([&] { AddOutputHandle(INVALID_HANDLE_VALUE); }), "") << i;
    posix_testing::Reset();
  }
  EXPECT_EQ(HandleList->Count(), 3u);
  HandleList->Clear();
}

TEST(HardeningRegression, ClosedOutputHandlesAreNotClosedTwice) {
  posix_testing::Reset();
  ResetRunState();
  TempDir dir;
  HANDLE file = CreateFileA((dir / "f").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  AddOutputHandle(file);
  CloseOutputHandles();
  // The value now names a new object; the failure path's second pass must not close it.
  HANDLE other = CreateFileA((dir / "g").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                             CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  uint32_t open = posix_testing::OpenFileHandles();
  CloseOutputHandles();
  EXPECT_EQ(posix_testing::OpenFileHandles(), open);
  EXPECT_TRUE(CloseHandle(other));
}

}  // namespace
