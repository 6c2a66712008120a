#include <gtest/gtest.h>

#include <vector>

#include "archive/ArchiveDatabase.h"
#include "fixtures/CaseName.h"
#include "fixtures/FatalExpect.h"

namespace {

CoderInfo MakeCoder(uint64_t in, uint64_t out) {
  CoderInfo c;
  c.NumInStreams = in;
  c.NumOutStreams = out;
  return c;
}

BindPair Bind(uint64_t in, uint64_t out) {
  BindPair b;
  b.InIndex = in;
  b.OutIndex = out;
  return b;
}

// Three LZMA coders feeding a BCJ2 coder, as writers lay it out for x86 code: BCJ2 first
// (in 0..3, out 0), then LZMA coders (in 4..6, out 1..3).
Folder Bcj2Folder(uint32_t main, uint32_t call, uint32_t jump, uint32_t final) {
  Folder f;
  f.Coders.Add(MakeCoder(4, 1));
  for (int i = 0; i < 3; ++i) f.Coders.Add(MakeCoder(1, 1));
  f.BindPairs.Add(Bind(0, 1));
  f.BindPairs.Add(Bind(1, 2));
  f.BindPairs.Add(Bind(2, 3));
  for (uint64_t in : {4, 5, 6, 3}) f.PackedStreams.Add(in);
  for (uint32_t s : {final, main, call, jump}) f.UnpackSizes.Add(s);
  return f;
}

Folder SingleCoder(uint32_t size) {
  Folder f;
  f.Coders.Add(MakeCoder(1, 1));
  f.PackedStreams.Add(0);
  f.UnpackSizes.Add(size);
  return f;
}

FileItem File(uint64_t size, bool directory = false) {
  FileItem item;
  item.Size = size;
  item.IsDirectory = directory;
  return item;
}

template <class T>
std::vector<T> ToStd(const ItemVector<T>& v) {
  return std::vector<T>(v.Data(), v.Data() + v.Count());
}

TEST(FolderTest, Bcj2QueriesAndFinalSize) {
  Folder f = Bcj2Folder(1000, 50, 20, 990);
  EXPECT_EQ(f.TotalOutStreams(), 4u);
  EXPECT_EQ(f.FindInBindPair(2), 2);
  EXPECT_EQ(f.FindInBindPair(3), -1);
  EXPECT_EQ(f.FindOutBindPair(1), 0);
  EXPECT_EQ(f.FindOutBindPair(0), -1);
  EXPECT_EQ(f.FindPackedStream(3), 3);
  EXPECT_EQ(f.FindPackedStream(0), -1);
  // The BCJ2 output is the only unbound one, though it is not the last out-stream.
  EXPECT_EQ(f.FinalUnpackSize(), 990u);
  EXPECT_EQ(SingleCoder(77).FinalUnpackSize(), 77u);
  EXPECT_EQ(Folder().FinalUnpackSize(), 0u);
}

TEST(FolderTest, EveryOutputBoundEndsTheRun) {
  Folder f = SingleCoder(5);
  f.BindPairs.Add(Bind(0, 0));
  EXPECT_EQ(FatalReasonOf([&] { f.FinalUnpackSize(); }), "folder without unbound output");
}

TEST(FolderTest, MethodIdsCompareByLengthAndBytes) {
  MethodId a, b;
  a.Length = b.Length = 3;
  a.Bytes[0] = b.Bytes[0] = 3;
  a.Bytes[5] = 9;  // beyond the length: ignored
  EXPECT_TRUE(a == b);
  b.Length = 2;
  EXPECT_FALSE(a == b);
}

TEST(MemoryStreamTest, WriteGrowsAndReadDrains) {
  MemoryStream m;
  EXPECT_EQ(m.Write("abc", 3), 3u);
  EXPECT_EQ(m.Write("de", 2), 2u);
  EXPECT_EQ(m.Bytes.Count(), 5u);
  char out[8] = {};
  EXPECT_EQ(m.Read(out, 2), 2u);
  MemoryStream copy = m;
  EXPECT_EQ(m.Read(out + 2, 8), 3u);
  EXPECT_EQ(std::string(out), "abcde");
  EXPECT_EQ(m.Read(out, 1), 0u);
  EXPECT_EQ(copy.Read(out, 8), 3u);  // the copy kept its own position
}

TEST(DerivedTablesTest, Bcj2FolderWithDirectoriesBeforeAndBetween) {
  ArchiveDatabase db;
  db.DataStart = 1000;
  for (uint32_t s : {300u, 40u, 10u, 7u}) db.PackSizes.Add(s);
  db.Folders.Add(Bcj2Folder(500, 30, 10, 490));
  db.NumUnpackStreams.Add(3);
  db.Files.Add(File(0, true));  // directory before the folder's entries
  db.Files.Add(File(100));
  db.Files.Add(File(0, true));  // directory between two entries of the folder
  db.Files.Add(File(0));        // empty file between them: mapped, not counted
  db.Files.Add(File(200));
  db.Files.Add(File(190));
  db.Files.Add(File(0, true));  // after the folder is complete
  db.BuildDerivedTables();

  EXPECT_EQ(ToStd(db.FolderFirstPackStream), std::vector<uint32_t>({0}));
  EXPECT_EQ(ToStd(db.PackStreamOffsets), std::vector<uint32_t>({0, 300, 340, 350}));
  EXPECT_EQ(ToStd(db.FolderFirstFile), std::vector<uint32_t>({1}));
  EXPECT_EQ(ToStd(db.FileToFolder), std::vector<int32_t>({-1, 0, 0, 0, 0, 0, -1}));
  EXPECT_EQ(db.FolderStreamPosition(0, 0), 1000u);
  EXPECT_EQ(db.FolderStreamPosition(0, 3), 1350u);
  EXPECT_EQ(db.FolderPackedSize(0), 357u);
}

TEST(DerivedTablesTest, SeveralFolders) {
  ArchiveDatabase db;
  db.DataStart = 32;
  for (uint32_t s : {10u, 20u, 30u}) db.PackSizes.Add(s);
  db.Folders.Add(SingleCoder(5));
  db.Folders.Add(Folder());  // no packed streams: size 0, shares the next offset
  db.Folders.Add(SingleCoder(9));
  db.Folders[1].Coders.Add(MakeCoder(1, 1));
  db.Folders[1].PackedStreams.Add(0);
  for (uint32_t n : {2u, 1u, 1u}) db.NumUnpackStreams.Add(n);
  for (uint64_t s : {2, 3, 4, 9}) db.Files.Add(File(s));
  db.BuildDerivedTables();
  EXPECT_EQ(ToStd(db.FolderFirstPackStream), std::vector<uint32_t>({0, 1, 2}));
  EXPECT_EQ(ToStd(db.FolderFirstFile), std::vector<uint32_t>({0, 2, 3}));
  EXPECT_EQ(ToStd(db.FileToFolder), std::vector<int32_t>({0, 0, 1, 2}));
  EXPECT_EQ(db.FolderStreamPosition(2, 0), 62u);
  EXPECT_EQ(db.FolderPackedSize(1), 20u);
}

TEST(DerivedTablesTest, NoEntriesLeavesTablesEmpty) {
  ArchiveDatabase db;
  db.BuildDerivedTables();
  EXPECT_EQ(db.FolderFirstFile.Count(), 0u);
  EXPECT_EQ(db.FileToFolder.Count(), 0u);
}

struct TablesFatalCase {
  const char* name;
  std::function<void(ArchiveDatabase&)> damage;
  std::string reason;
};
void PrintTo(const TablesFatalCase& row, std::ostream* out) { *out << row.name; }

class DerivedTablesFail : public ::testing::TestWithParam<TablesFatalCase> {};

TEST_P(DerivedTablesFail, EndsTheRun) {
  ArchiveDatabase db;
  db.PackSizes.Add(10);
  db.Folders.Add(SingleCoder(8));
  db.NumUnpackStreams.Add(1);
  db.Files.Add(File(8));
  GetParam().damage(db);
  EXPECT_EQ(FatalReasonOf([&] { db.BuildDerivedTables(); }), GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DerivedTablesFail,
    ::testing::Values(
        TablesFatalCase{"EntryAfterLastFolder", [](ArchiveDatabase& db) { db.Files.Add(File(3)); },
                        "entry without folder"},
        TablesFatalCase{"CountsPerFolderMissing",
                        [](ArchiveDatabase& db) { db.NumUnpackStreams.Clear(); },
                        "unpack stream count mismatch"},
        TablesFatalCase{"MorePackedStreamsThanSizes",
                        [](ArchiveDatabase& db) { db.Folders[0].PackedStreams.Add(1); },
                        "pack stream count mismatch"},
        TablesFatalCase{"PackedDataBeyond4GiB",
                        [](ArchiveDatabase& db) { db.DataStart = 0xFFFFFFFAu; },
                        "packed data beyond 4 GiB"}),
    CaseName());

}  // namespace
