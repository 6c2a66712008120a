// Extraction: the folder output stream cutting bytes into entries, the writer that creates
// them, and the plan of ExtractItems over crafted archives. Everything writes into a scratch
// directory through the POSIX layer, whose recorded calls show the order of the work.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "archive/Archive.h"
#include "decode/FolderDecoder.h"
#include "driver/ProgressWindow.h"
#include "driver/RunState.h"
#include "extract/EntryWriter.h"
#include "extract/ExtractItems.h"
#include "extract/FolderOutStream.h"
#include "extract/ItemProperty.h"
#include "extract/OutputFile.h"
#include "fixtures/CraftedArchive.h"
#include "fixtures/FatalExpect.h"
#include "fixtures/HeaderBuilder.h"
#include "fixtures/TempDir.h"
#include "support/InputFile.h"

namespace {

struct Item {
  const char* name;
  uint64_t size = 0;
  bool directory = false;
  bool anti = false;
};

FILETIME Time(uint64_t value) { return FILETIME{DWORD(value), DWORD(value >> 32)}; }

class Extraction : public ::testing::Test {
 protected:
  void SetUp() override {
    posix_testing::Reset();
    ResetRunState();
    directory = WideString::FromAnsi((out.path() + "\\").c_str());
  }
  void TearDown() override {
    // The files' handles go before their directory: one left open on a deleted file would
    // keep a lock on an inode number that a later test's file may be given.
    CloseOutputHandles();
    posix_testing::Reset();
    // A fresh handle list: a later failure path must not close this test's handles again.
    ResetRunState();
  }

  void SetItems(const std::vector<Item>& items) {
    for (const Item& i : items) {
      FileItem item;
      item.Name = WideString::FromAnsi(i.name);
      item.Size = i.size;
      item.IsDirectory = i.directory;
      item.IsAnti = i.anti;
      item.AttributesDefined = true;
      item.Attributes = i.directory ? 0x10 : 0x20;
      archive.Database.Files.Add(item);
    }
    writer.Init(&archive, directory, Time(0x01D5000000000000ull), 0, kOutputHandleList);
  }
  // Names whose attributes were set, that is the entries finished so far, in order.
  std::vector<std::string> Finished() {
    std::vector<std::string> names;
    const std::string prefix = "SetFileAttributesA " + out.path() + "/";
    const std::string byHandle = "SetFileInformationByHandle " + out.path() + "/";
    for (const std::string& call : posix_testing::Calls())
      if (call.rfind(prefix, 0) == 0) names.push_back(call.substr(prefix.size()));
      else if (call.rfind(byHandle, 0) == 0) names.push_back(call.substr(byHandle.size()));
    return names;
  }

  TempDir out;
  WideString directory;
  Archive archive;
  EntryWriter writer;
};

TEST_F(Extraction, StreamCutsBytesIntoEntriesAndFinishesEmptyOnesAtOnce) {
  SetItems({{"f1", 3}, {"z0", 0}, {"d", 0, true}, {"f2", 2}, {"e1", 0}, {"e2", 0, true}});
  FolderOutStream stream;
  stream.Init(&archive.Database, 0, 6, &writer);
  EXPECT_EQ(stream.currentIndex, 0);  // the first entry needs bytes

  EXPECT_EQ(stream.Write("ab", 2), 2u);
  EXPECT_EQ(stream.currentIndex, 0);
  EXPECT_TRUE(stream.itemOpen);
  EXPECT_EQ(stream.Write("", 0), 0u);  // nothing arrives: the open entry waits
  EXPECT_EQ(stream.currentIndex, 0);
  EXPECT_TRUE(Finished().empty());

  EXPECT_EQ(stream.Write("c", 1), 1u);
  // f1 is complete; the empty file and the directory behind it follow in the same call.
  EXPECT_EQ(Finished(), (std::vector<std::string>{"f1", "z0", "d"}));
  EXPECT_EQ(stream.currentIndex, 3);

  // f2's two bytes and three more than the folder's entries need: dropped, yet accepted.
  EXPECT_EQ(stream.Write("deXYZ", 5), 5u);
  EXPECT_EQ(Finished(), (std::vector<std::string>{"f1", "z0", "d", "f2", "e1", "e2"}));
  EXPECT_EQ(stream.currentIndex, 6);
  EXPECT_EQ(stream.Write("more", 4), 4u);
  EXPECT_EQ(Finished().size(), 6u);

  EXPECT_EQ(ReadFileBytes(out / "f1"), "abc");
  EXPECT_EQ(ReadFileBytes(out / "f2"), "de");
  struct stat info;
  EXPECT_EQ(stat((out / "z0").c_str(), &info), 0);
  EXPECT_EQ(info.st_size, 0);
  EXPECT_EQ(stat((out / "e2").c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
}

TEST_F(Extraction, StreamThatEndsEarlyLeavesTheEntryUnfinished) {
  SetItems({{"f1", 4}, {"f2", 1}});
  FolderOutStream stream;
  stream.Init(&archive.Database, 0, 2, &writer);
  stream.Write("abcd", 4);
  EXPECT_EQ(stream.currentIndex, 1);
  EXPECT_FALSE(stream.itemOpen);  // f2 is opened only when bytes for it arrive
  EXPECT_EQ(Finished(), std::vector<std::string>{"f1"});
}

// Pieces go to disk as they arrive; the digest is checked when the last one is in, and a
// mismatch ends the run (which removes the tree).
TEST_F(Extraction, EntryCrcIsCheckedWhenItsLastPieceArrives) {
  SetItems({{"good", 3}, {"bad", 3}});
  archive.Database.Files[0].CrcDefined = true;
  archive.Database.Files[0].Crc = 0x352441C2;  // CRC-32 of "abc"
  archive.Database.Files[1].CrcDefined = true;
  archive.Database.Files[1].Crc = 0x352441C2;
  FolderOutStream stream;
  stream.Init(&archive.Database, 0, 2, &writer);
  stream.Write("abcab", 5);
  EXPECT_EQ(ReadFileBytes(out / "good"), "abc");
  EXPECT_EQ(ReadFileBytes(out / "bad"), "ab");  // written through, not held
  EXPECT_EQ(FatalReasonOf([&] { stream.Write("d", 1); }), "entry CRC mismatch");
  EXPECT_EQ(Finished(), std::vector<std::string>{"good"});
}

TEST_F(Extraction, EntryOf4GiBIsRefusedBeforeItIsCreated) {
  SetItems({{"huge", 0x100000000ull}});
  FolderOutStream stream;
  stream.Init(&archive.Database, 0, 1, &writer);
  EXPECT_EQ(FatalReasonOf([&] { stream.Write("x", 1); }), "entry of 4 GiB or more");
  struct stat info;
  EXPECT_NE(stat((out / "huge").c_str(), &info), 0);
}

TEST_F(Extraction, ItemPropertiesAsTheRecordGivesThem) {
  SetItems({{"a/b/c.txt", 1}, {"dir", 0, true, true}});
  FileItem& first = archive.Database.Files[0];
  first.LastWriteTimeDefined = true;
  first.LastWriteTime = Time(0x0102030405060708ull);
  archive.Database.Files[1].AttributesDefined = false;

  const ItemProperties file = GetItemProperties(archive, 0);
  const ItemProperties directory = GetItemProperties(archive, 1);
  EXPECT_EQ(file.Path.Compare(WideString::FromAnsi("a\\b\\c.txt")), 0);
  EXPECT_FALSE(file.IsDirectory);
  EXPECT_TRUE(directory.IsDirectory);
  EXPECT_TRUE(directory.IsAnti);
  EXPECT_TRUE(file.AttributesDefined);
  EXPECT_EQ(file.Attributes, 0x20u);
  EXPECT_FALSE(directory.AttributesDefined);
  EXPECT_TRUE(file.LastWriteTimeDefined);
  EXPECT_EQ(file.LastWriteTime.dwHighDateTime, 0x01020304u);
  EXPECT_EQ(file.LastWriteTime.dwLowDateTime, 0x05060708u);
  EXPECT_FALSE(directory.LastWriteTimeDefined);

  // The path's copy is the entry's one allocation here: memory running out ends the run.
  posix_testing::FailCall(posix_testing::Api::LocalAlloc, 1);
  EXPECT_EQ(FatalReasonOf([&] { writer.GetItemOutput(0); }), "out of memory");
}

TEST_F(Extraction, EntryWriterCreatesDirectoriesReplacesWhatIsInTheWayAndAppliesDefaults) {
  SetItems({{"a/b/c.txt", 2}, {"old.txt", 1}, {"gone.txt", 0, false, true}, {"x/y", 0, true}});
  archive.Database.Files[1].AttributesDefined = false;
  WriteFileBytes(out / "old.txt", "previous content");
  chmod((out / "old.txt").c_str(), 0444);  // read-only does not stop the replacement
  WriteFileBytes(out / "gone.txt", "to be removed");

  OutputFile* file = writer.GetItemOutput(0);
  ASSERT_NE(file, nullptr);
  file->Write("hi", 2);
  writer.FinishItem();
  EXPECT_EQ(ReadFileBytes(out / "a/b/c.txt"), "hi");

  file = writer.GetItemOutput(1);
  ASSERT_NE(file, nullptr);
  file->Write("n", 1);
  writer.FinishItem();
  EXPECT_EQ(ReadFileBytes(out / "old.txt"), "n");
  struct stat info;
  ASSERT_EQ(stat((out / "old.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mtim.tv_sec, 1556702807);  // the default time, FILETIME 0x01D5000000000000
  EXPECT_NE(info.st_mode & S_IWUSR, 0u);       // attributes 0: writable again

  EXPECT_EQ(writer.GetItemOutput(2), nullptr);  // an anti-item deletes and creates nothing
  writer.FinishItem();
  EXPECT_NE(stat((out / "gone.txt").c_str(), &info), 0);

  EXPECT_EQ(writer.GetItemOutput(3), nullptr);
  writer.FinishItem();
  ASSERT_EQ(stat((out / "x/y").c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
}

TEST_F(Extraction, EntryWriterFailures) {
  SetItems({{"", 1}, {"a/../../x", 1}, {"aux/f", 1}, {"blocked", 1}, {"new", 1}});
  EXPECT_EQ(FatalReasonOf([&] { writer.GetItemOutput(0); }), "entry without a path");
  EXPECT_EQ(FatalReasonOf([&] { writer.GetItemOutput(1); }),
            "entry path leaves the output directory");
  EXPECT_EQ(FatalReasonOf([&] { writer.GetItemOutput(2); }), "entry path names a device");
  struct stat info;
  EXPECT_NE(stat((out / "a").c_str(), &info), 0);  // refused before any directory was made
  EXPECT_NE(stat((out / "aux").c_str(), &info), 0);

  WriteFileBytes(out / "blocked", "in the way");
  posix_testing::FailCall(posix_testing::Api::DeleteFileA, 1);
  EXPECT_EQ(FatalReasonOf([&] { writer.GetItemOutput(3); }), "file in the way cannot be deleted");
  posix_testing::FailCall(posix_testing::Api::CreateFileA, 1);
  EXPECT_EQ(FatalReasonOf([&] { writer.GetItemOutput(4); }), "output file cannot be created");
  auto boxes = posix_testing::MessageBoxes();
  std::vector<std::string> specific;
  for (const auto& box : boxes)
    if (box.caption == "Unpacker") specific.push_back(box.text);
  EXPECT_EQ(specific, (std::vector<std::string>{"Can not delete output file",
                                                "Can not open output file"}));
}

// A directory is made once for the entries below it. One that could not be made, or that an
// anti-item removed, is made again for the next entry that needs it.
TEST_F(Extraction, EachDirectoryIsMadeOnceWhileItStands) {
  using posix_testing::Api;
  SetItems({{"a/b/1", 1}, {"a/b/2", 1}, {"a/c", 0, true}, {"a/c", 0, true, true}, {"a/c/3", 1},
            {"d/4", 1}, {"d/5", 1}});
  auto made = [&](uint32_t item) {
    uint32_t before = posix_testing::CallCount(Api::CreateDirectoryA);
    OutputFile* file = writer.GetItemOutput(item);
    if (file) file->Write("x", 1);
    writer.FinishItem();
    return posix_testing::CallCount(Api::CreateDirectoryA) - before;
  };
  EXPECT_EQ(made(0), 2u);  // a, a/b
  EXPECT_EQ(made(1), 0u);
  EXPECT_EQ(made(2), 1u);  // a/c
  EXPECT_EQ(made(3), 0u);  // removes a/c
  EXPECT_EQ(made(4), 2u);  // a, a/c
  posix_testing::FailCall(Api::CreateDirectoryA, 1);
  EXPECT_EQ(FatalReasonOf([&] { writer.GetItemOutput(5); }), "output file cannot be created");
  EXPECT_EQ(made(6), 1u);  // d
  EXPECT_EQ(ReadFileBytes(out / "a/c/3") + ReadFileBytes(out / "d/5"), "xx");
}

// A name the code page cannot hold exactly (here a lone surrogate, which UTF-8 cannot carry)
// is refused, never handed over in a substitute form: also a low one of those that stand for a
// byte of a system path that is not UTF-8.
TEST_F(Extraction, NameWithoutAnExactConversionIsRefused) {
  SetItems({});
  for (char16_t unit : {char16_t(0xD800), char16_t(0xDCE9)}) {
    const char16_t lone[] = {u'l', u'o', u'n', u'e', unit, u'.', u't', u'x', u't', 0};
    FileItem item;
    item.Name = WideString(lone);
    archive.Database.Files.Add(item);
  }
  for (uint32_t i = 0; i < 2; ++i)
    EXPECT_EQ(FatalReasonOf([&] { writer.GetItemOutput(i); }),
              "name not representable in the code page");
  EXPECT_TRUE(std::filesystem::is_empty(out.path()));
}

// The plan of ExtractItems over whole archives opened by the reader.
class ExtractPlan : public Extraction {
 protected:
  void Extract(const fixture::Bytes& bytes) {
    archiveFile = std::make_unique<fixture::TempFile>(bytes);
    InputFile* file = New<InputFile>();
    file->Open(WideString::FromAnsi(archiveFile->path().c_str()));
    OpenArchive(archive, *file, 1 << 20);
    writer.Init(&archive, directory, Time(0x01D5000000000000ull), 0, kOutputHandleList);
    ExtractItems(archive, archive.Database.Files.Count(), writer);
  }
  std::unique_ptr<fixture::TempFile> archiveFile;
};

fixture::CraftedEntry Crafted(std::u16string name, std::string data, bool directory = false) {
  fixture::CraftedEntry e;
  e.name = std::move(name);
  e.data = std::move(data);
  e.directory = directory;
  return e;
}

TEST_F(ExtractPlan, EntriesWithoutDataAroundAndBetweenTheFolderEntries) {
  RunEnd end = RunUntilExit([&] {
    Extract(fixture::CraftArchive({Crafted(u"d", "", true), Crafted(u"d/f1", "one"),
                                   Crafted(u"z0", ""), Crafted(u"d2", "", true),
                                   Crafted(u"f2", "two!"), Crafted(u"e1", ""),
                                   Crafted(u"e2", "", true)}));
  });
  ASSERT_FALSE(end.exited) << end.reason;
  EXPECT_EQ(archive.Database.FileToFolder[0], -1);  // the directory before the folder
  EXPECT_EQ(archive.Database.FileToFolder[2], 0);   // empties inside the folder's run
  EXPECT_EQ(archive.Database.FileToFolder[5], -1);  // and after it
  EXPECT_EQ(Finished(),
            (std::vector<std::string>{"d", "d/f1", "z0", "d2", "f2", "e1", "e2"}));
  EXPECT_EQ(ReadFileBytes(out / "d/f1"), "one");
  EXPECT_EQ(ReadFileBytes(out / "f2"), "two!");
  // The bar's range is the bytes of the files, given before the first; its position ends there.
  std::vector<std::pair<UINT, int>> bar;
  for (const auto& m : posix_testing::WindowMessages())
    bar.push_back({m.message, int(m.message == PBM_SETRANGE ? m.lParam >> 16 : m.wParam)});
  EXPECT_EQ(bar, (std::vector<std::pair<UINT, int>>{
                     {PBM_SETRANGE, 7}, {PBM_SETPOS, 3}, {PBM_SETPOS, 7}}));
}

TEST_F(ExtractPlan, NoEntriesNothingWritten) {
  RunEnd end = RunUntilExit([&] { Extract(fixture::CraftArchive({})); });
  ASSERT_FALSE(end.exited) << end.reason;
  EXPECT_TRUE(Finished().empty());
}

TEST_F(ExtractPlan, FolderThatYieldsFewerBytesThanItsEntriesNeedIsFatal) {
  // Folder 0 lists a zero-length sub-stream then 5 bytes; folder 1 holds 3. A zero-length
  // entry counts as having no data, so folder 0's run reaches into folder 1's entry, which
  // then gets no bytes: the check after decoding ends the run.
  using namespace fixture;
  LzmaPacked first = LzmaPack({'a', 'b', 'c', 'd', 'e'});
  LzmaPacked second = LzmaPack({'x', 'y', 'z'});
  Bytes packed = first.packed;
  packed.insert(packed.end(), second.packed.begin(), second.packed.end());
  ByteBuilder header{0x01, 0x04};
  header.Add(PackInfo(0, {first.packed.size(), second.packed.size()}))
      .Add(UnpackInfo({FolderRecord({Coder({3, 1, 1}, 1, 1, first.props)}),
                       FolderRecord({Coder({3, 1, 1}, 1, 1, second.props)})},
                      {{5}, {3}}))
      .Add(SubStreamsInfo({2, 1}, {0}))
      .U8(0x00);
  std::vector<Entry> entries(3);
  entries[0].name = u"empty";
  entries[1].name = u"five";
  entries[2].name = u"three";
  header.Add(FilesInfo(entries)).U8(0x00);
  EXPECT_EQ(FatalReasonOf([&] { Extract(ArchiveBytes(header.bytes(), packed)); }),
            "folder ended before its entries");
  EXPECT_EQ(ReadFileBytes(out / "five"), "abcde");
}

}  // namespace
