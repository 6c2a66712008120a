#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>

#include "archive/Archive.h"
#include "archive/ArchiveSignature.h"
#include "decode/FolderDecoder.h"
#include "fixtures/CaseName.h"
#include "fixtures/FatalExpect.h"
#include "fixtures/HeaderBuilder.h"
#include "support/InputFile.h"

using namespace fixture;

namespace {

const uint32_t kLimit = 1 << 20;

ByteBuilder Pack() { return PackInfo(0, {10}); }
ByteBuilder Unpack(uint64_t size = 12) {
  return UnpackInfo({FolderRecord({LzmaCoder()})}, {{size}});
}
ByteBuilder Main(const ByteBuilder& pack, const ByteBuilder& unpack, const ByteBuilder& sub) {
  return ByteBuilder{0x04}.Add(pack).Add(unpack).Add(sub).U8(0x00);
}
ByteBuilder DefaultMain() { return Main(Pack(), Unpack(), SubStreamsInfo({}, {})); }
ByteBuilder OneFile() { return FilesInfo({Entry{u"a"}}); }
Bytes Header(const std::vector<ByteBuilder>& parts) {
  ByteBuilder h{0x01};
  for (const ByteBuilder& p : parts) h.Add(p);
  return h.bytes();
}
Bytes Packed() { return Bytes(10, 0xAB); }

class OpenArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    posix_testing::Reset();
    CompleteArchiveSignature();
  }
  // Writes the bytes to a file and opens them as an archive.
  void Open(const Bytes& contents, uint32_t limit = kLimit) {
    temp_.reset(new TempFile(contents));
    file_.reset(new InputFile());
    archive_.reset(new Archive());
    file_->Open(WideString::FromAnsi(temp_->path().c_str()));
    OpenArchive(*archive_, *file_, limit);
  }
  std::string Name(uint32_t i) {
    const WideString& n = archive_->Database.Files[i].Name;
    return std::string(n.ToAnsi());
  }
  std::unique_ptr<TempFile> temp_;
  std::unique_ptr<InputFile> file_;
  std::unique_ptr<Archive> archive_;
};

TEST_F(OpenArchiveTest, ParsesEntriesWithDirectoriesBeforeAndBetween) {
  std::vector<Entry> entries = {
      {u"d", false, false, true, 111, true, 0x10},
      {u"d\\a", true, false, true, 0x01D5C1194AC40080ull, true, 0x20},
      {u"e", false, false, false, 0, false, 0},
      {u"", false, true, true, 5, true, 0x21},  // empty file with an empty name
      {u"b\u00e9", true, false, true, 9, true, 0x8000 | (0644u << 16)},
  };
  // Behind a 300-byte image, and long enough after the archive for a whole scan block.
  Bytes bytes = ArchiveBytes(SimpleHeader(entries, {5, 7}), Packed(), Bytes(300, 0x38));
  bytes.resize(bytes.size() + 70000, 0);
  Open(bytes);
  const ArchiveDatabase& db = archive_->Database;
  ASSERT_EQ(db.Files.Count(), 5u);
  EXPECT_EQ(archive_->File, file_.get());
  EXPECT_EQ(db.ArchiveStart, 300u);
  EXPECT_EQ(db.HeaderEnd, 332u);
  EXPECT_EQ(db.DataStart, 332u);
  EXPECT_EQ(db.Version[1], 4);
  EXPECT_EQ(Name(0), "d");
  EXPECT_EQ(Name(1), "d\\a");
  EXPECT_EQ(Name(3), "");
  EXPECT_EQ(Name(4), "b\xC3\xA9");
  const FileItem& dir = db.Files[0];
  EXPECT_TRUE(dir.IsDirectory);
  EXPECT_EQ(dir.Size, 0u);
  EXPECT_EQ(dir.Attributes, 0x10u);
  const FileItem& a = db.Files[1];
  EXPECT_FALSE(a.IsDirectory);
  EXPECT_EQ(a.Size, 5u);
  EXPECT_TRUE(a.LastWriteTimeDefined);
  EXPECT_EQ(a.LastWriteTime.dwLowDateTime, 0x4AC40080u);
  EXPECT_EQ(a.LastWriteTime.dwHighDateTime, 0x01D5C119u);
  EXPECT_FALSE(a.CreationTimeDefined);
  const FileItem& e = db.Files[2];
  EXPECT_TRUE(e.IsDirectory);
  EXPECT_FALSE(e.LastWriteTimeDefined);
  EXPECT_FALSE(e.AttributesDefined);
  EXPECT_FALSE(db.Files[3].IsDirectory);
  EXPECT_EQ(db.Files[4].Size, 7u);
  EXPECT_EQ(db.Files[4].Attributes, 0x8000u | (0644u << 16));
  EXPECT_EQ(std::vector<int32_t>(db.FileToFolder.Data(), db.FileToFolder.Data() + 5),
            std::vector<int32_t>({-1, 0, 0, 0, 0}));
  EXPECT_EQ(db.FolderFirstFile[0], 1u);
  EXPECT_EQ(db.PackCrcDefined.Count(), 1u);
  EXPECT_FALSE(db.PackCrcDefined[0]);
  EXPECT_EQ(file_->GetPosition() >= 0, true);
}

TEST_F(OpenArchiveTest, UsualBcj2FolderAndThreeSubStreams) {
  ByteBuilder pack = ByteBuilder{0x06, 0x00, 0x04, 0x09, 100, 20, 10, 30, 0x0A, 0x01}
                         .U32(1)
                         .U32(2)
                         .U32(3)
                         .U32(4)
                         .U8(0x00);
  ByteBuilder unpack = UnpackInfo({Bcj2FolderRecord()}, {{300, 310, 25, 15}});
  ByteBuilder sub = SubStreamsInfo({3}, {100, 120});
  Open(ArchiveBytes(Header({Main(pack, unpack, sub), FilesInfo({{u"x"}, {u"y"}, {u"z"}})}),
                    Bytes(160, 1)));
  const ArchiveDatabase& db = archive_->Database;
  const Folder& f = db.Folders[0];
  ASSERT_EQ(f.Coders.Count(), 4u);
  EXPECT_EQ(f.Coders[0].NumInStreams, 4u);
  EXPECT_EQ(f.Coders[0].Method.Length, 4u);
  EXPECT_EQ(f.Coders[1].Properties.Bytes.Count(), 5u);
  EXPECT_EQ(f.Coders[1].Properties.Bytes[0], 0x5D);
  EXPECT_EQ(f.BindPairs.Count(), 3u);
  EXPECT_EQ(f.PackedStreams.Count(), 4u);
  EXPECT_EQ(f.PackedStreams[3], 3u);
  EXPECT_EQ(f.FinalUnpackSize(), 300u);
  EXPECT_EQ(db.Files[0].Size, 100u);
  EXPECT_EQ(db.Files[1].Size, 120u);
  EXPECT_EQ(db.Files[2].Size, 80u);  // what remains of the folder's 300
  EXPECT_EQ(std::vector<uint32_t>(db.PackStreamOffsets.Data(), db.PackStreamOffsets.Data() + 4),
            std::vector<uint32_t>({0, 100, 120, 130}));
  EXPECT_EQ(db.FolderFirstPackStream[0], 0u);
  EXPECT_EQ(db.FolderPackedSize(0), 160u);
  EXPECT_EQ(db.FolderStreamPosition(0, 2), 32u + 120u);
  EXPECT_TRUE(db.PackCrcDefined[3]);
  EXPECT_EQ(db.PackCrcs[3], 4u);
}

TEST_F(OpenArchiveTest, CoderFlagForms) {
  // 0x01: 1-byte id, one in, one out, no properties. 0x14: 4-byte id, explicit counts.
  ByteBuilder folder = FolderRecord({Coder({0x21}), Coder({1, 2, 3, 4}, 2, 1)}, {{2, 0}}, {0, 1});
  ByteBuilder unpack = UnpackInfo({folder}, {{9, 4}});
  Open(ArchiveBytes(Header({Main(PackInfo(0, {3, 4}), unpack, SubStreamsInfo({}, {})), OneFile()}),
                    Bytes(7, 0)));
  const Folder& f = archive_->Database.Folders[0];
  EXPECT_EQ(f.Coders[0].Method.Length, 1u);
  EXPECT_EQ(f.Coders[0].Properties.Bytes.Count(), 0u);
  EXPECT_EQ(f.Coders[1].Method.Bytes[3], 4);
  EXPECT_EQ(f.Coders[1].NumInStreams, 2u);
  EXPECT_EQ(f.FinalUnpackSize(), 4u);  // out 0 feeds in 2
  EXPECT_EQ(archive_->Database.Files[0].Size, 4u);
}

TEST_F(OpenArchiveTest, EmptyMainStreamsAndNoFiles) {
  Open(ArchiveBytes({0x01, 0x04, 0x00, 0x00}));
  EXPECT_EQ(archive_->Database.Files.Count(), 0u);
  EXPECT_EQ(archive_->Database.Folders.Count(), 0u);
}

TEST_F(OpenArchiveTest, FilesInfoWithoutMainStreamsWhenEveryEntryIsEmpty) {
  Open(ArchiveBytes(Header({FilesInfo({{u"dir", false}, {u"f", false, true}})})));
  ASSERT_EQ(archive_->Database.Files.Count(), 2u);
  EXPECT_TRUE(archive_->Database.Files[0].IsDirectory);
  EXPECT_FALSE(archive_->Database.Files[1].IsDirectory);
  EXPECT_EQ(archive_->Database.FileToFolder[1], -1);
}

TEST_F(OpenArchiveTest, UnknownIdsAreSkippedAndClosingEndMayBeMissing) {
  // 0x19 alone inside the streams info costs one byte; kComment in files info is skipped by
  // its size; the header's closing kEnd is left out.
  ByteBuilder files{0x05, 0x01};
  files.Property(0x16, ByteBuilder{1, 2, 3}).Property(0x11, ByteBuilder{0x00}.Name(u"n"));
  files.U8(0x00);
  ByteBuilder main{0x04, 0x19};
  main.Add(Pack()).Add(Unpack()).Add(SubStreamsInfo({}, {})).U8(0x00);
  Open(ArchiveBytes(Header({main, files}), Packed()));
  EXPECT_EQ(Name(0), "n");
  EXPECT_EQ(archive_->Database.Files[0].Size, 12u);
}

TEST_F(OpenArchiveTest, SubStreamDigestsReachTheEntries) {
  ByteBuilder sub = ByteBuilder{0x08, 0x0D, 0x02, 0x09, 0x05, 0x0A, 0x00, 0x80}.U32(0xCAFE).U8(0);
  Open(ArchiveBytes(Header({Main(Pack(), Unpack(), sub), FilesInfo({{u"a"}, {u"b"}})}), Packed()));
  EXPECT_TRUE(archive_->Database.Files[0].CrcDefined);
  EXPECT_EQ(archive_->Database.Files[0].Crc, 0xCAFEu);
  EXPECT_FALSE(archive_->Database.Files[1].CrcDefined);
  EXPECT_EQ(archive_->Database.Files[1].Size, 7u);
}

struct OpenFatalCase {
  const char* name;
  std::function<Bytes()> archive;
  std::string reason;
};
void PrintTo(const OpenFatalCase& row, std::ostream* out) { *out << row.name; }

class OpenArchiveFails : public OpenArchiveTest,
                         public ::testing::WithParamInterface<OpenFatalCase> {};

TEST_P(OpenArchiveFails, EndsTheRunForItsReason) {
  Bytes bytes = GetParam().archive();
  // What a header claims may cost no more than its bytes can describe: none of these headers
  // may need more than this to be refused.
  posix_testing::TrackAllocations(true, 64 << 20);
  EXPECT_EQ(FatalReasonOf([&] { Open(bytes); }), GetParam().reason);
  posix_testing::TrackAllocations(false);
}

Bytes Good(const StartHeaderFault& start = StartHeaderFault()) {
  return ArchiveBytes(Header({DefaultMain(), OneFile()}), Packed(), {}, start);
}
Bytes WithHeader(const Bytes& header) { return ArchiveBytes(header, Packed()); }
Bytes WithMain(const ByteBuilder& pack, const ByteBuilder& unpack, const ByteBuilder& sub,
               const ByteBuilder& files = OneFile()) {
  return WithHeader(Header({Main(pack, unpack, sub), files}));
}
Bytes WithFolder(const ByteBuilder& folder, const std::vector<uint64_t>& unpackSizes = {12}) {
  return WithMain(Pack(), UnpackInfo({folder}, {unpackSizes}), SubStreamsInfo({}, {}));
}
StartHeaderFault Start(std::function<void(StartHeaderFault&)> change) {
  StartHeaderFault s;
  change(s);
  return s;
}

INSTANTIATE_TEST_SUITE_P(
    HeaderRows, OpenArchiveFails,
    ::testing::Values(
        OpenFatalCase{"FileTooShortForScan", [] { return Bytes(100, 0); }, "short read"},
        OpenFatalCase{"MajorVersion",
                      [] { return Good(Start([](StartHeaderFault& s) { s.major = 1; })); },
                      "unsupported version"},
        OpenFatalCase{"StartHeaderCrc",
                      [] { return Good(Start([](StartHeaderFault& s) { s.breakStartCrc = true; })); },
                      "start header CRC mismatch"},
        OpenFatalCase{"NextHeaderCrc",
                      [] { return Good(Start([](StartHeaderFault& s) { s.breakHeaderCrc = true; })); },
                      "header CRC mismatch"},
        OpenFatalCase{"HeaderOffsetOutsideFile",
                      [] { return Good(Start([](StartHeaderFault& s) { s.offsetDelta = 1000; })); },
                      "header outside file"},
        OpenFatalCase{"HeaderSizeOutsideFile",
                      [] { return Good(Start([](StartHeaderFault& s) { s.sizeDelta = 1; })); },
                      "header outside file"},
        OpenFatalCase{"HeaderSizeHuge",
                      [] { return Good(Start([](StartHeaderFault& s) { s.sizeDelta = 1ll << 40; })); },
                      "header outside file"},
        OpenFatalCase{"EncodedHeader",
                      [] {
                        return WithHeader({0x17, 0x06, 0x00});
                      },
                      "not a plain header"},
        OpenFatalCase{"ArchiveProperties",
                      [] {
                        return WithHeader({0x01, 0x02, 0x00});
                      },
                      "archive properties"},
        OpenFatalCase{"MainStreamsInfoMissing",
                      [] {
                        return WithHeader(Header({Pack(), ByteBuilder{0x00, 0x00}}));
                      },
                      "main streams info missing"},
        OpenFatalCase{"FilesInfoExpected",
                      [] {
                        return WithHeader(Header({DefaultMain(), ByteBuilder{0x07}}));
                      },
                      "files info expected"},
        OpenFatalCase{"SizeNeverComes",
                      [] {
                        return WithHeader({0x01, 0x04, 0x06, 0, 1, 0});
                      },
                      "missing property"},
        OpenFatalCase{"HeaderTruncated",
                      [] {
                        Bytes h = Header({DefaultMain(), OneFile()});
                        h.resize(h.size() - 6);
                        return WithHeader(h);
                      },
                      "header truncated"},
        OpenFatalCase{
            "PackSizeBeyond32Bits",
            [] { return WithMain(PackInfo(0, {1ull << 32}), Unpack(), SubStreamsInfo({}, {})); },
            "number beyond 32 bits"},
        OpenFatalCase{"UnpackSizeBeyond32Bits",
                      [] { return WithMain(Pack(), Unpack(1ull << 33), SubStreamsInfo({}, {})); },
                      "number beyond 32 bits"},
        OpenFatalCase{
            "PackedDataBeyond4GiB",
            [] { return WithMain(PackInfo(0xFFFFFFF0u, {10}), Unpack(), SubStreamsInfo({}, {})); },
            "packed data beyond 4 GiB"},
        OpenFatalCase{
            "FileCountBeyondHeader",
            [] {
              return WithHeader(Header({DefaultMain(), ByteBuilder{0x05}.Num(100000).U8(0)}));
            },
            "file count beyond header"},
        OpenFatalCase{
            "PackStreamCountBeyondHeader",
            [] {
              return WithHeader(
                  ByteBuilder{0x01, 0x04, 0x06, 0x00}.Num(1u << 30).U8(0x09).U8(1).bytes());
            },
            "pack stream count beyond header"},
        OpenFatalCase{
            "FolderCountBeyondHeader",
            [] {
              return WithHeader(
                  ByteBuilder{0x01, 0x04, 0x07, 0x0B}.Num(1u << 30).Raw({0, 1, 1, 0x21}).bytes());
            },
            "folder count beyond header"},
        OpenFatalCase{"CoderCountBeyondHeader",
                      [] {
                        return WithHeader(ByteBuilder{0x01, 0x04, 0x07, 0x0B, 0x01, 0x00}
                                              .Num(1u << 30)
                                              .Raw({0x01, 0x21})
                                              .bytes());
                      },
                      "coder count beyond header"},
        OpenFatalCase{"MethodIdBeyondHeader",
                      [] {
                        return WithHeader({0x01, 0x04, 0x07, 0x0B, 0x01, 0x00, 0x01, 0x0F, 0x03});
                      },
                      "method id beyond header"},
        OpenFatalCase{"PropertySizeBeyondHeader",
                      [] {
                        return WithFolder(ByteBuilder{0x01, 0x21, 0x03}.Num(0x7FFFFFFF).U8(0));
                      },
                      "property size beyond header"},
        OpenFatalCase{"BindPairCountBeyondHeader",
                      [] {
                        return WithFolder(ByteBuilder{0x01, 0x11, 0x03, 0x01}.Num(1u << 28));
                      },
                      "bind pair count beyond header"},
        OpenFatalCase{"PackedStreamCountBeyondHeader",
                      [] {
                        return WithFolder(ByteBuilder{0x01, 0x11, 0x03}.Num(1u << 28).U8(1));
                      },
                      "packed stream count beyond header"},
        OpenFatalCase{"UnpackSizeCountBeyondHeader",
                      [] {
                        return WithHeader(
                            ByteBuilder{0x01, 0x04, 0x07, 0x0B, 0x01, 0x00}
                                .Add(FolderRecord({Coder({3}, 1, 3)}, {{0, 1}, {0, 2}}))
                                .U8(0x0C)
                                .bytes());
                      },
                      "more bind pairs than in-streams"},
        OpenFatalCase{"UnpackSizesCutShort",
                      [] {
                        return WithHeader(
                            ByteBuilder{0x01, 0x04, 0x07, 0x0B, 0x01, 0x00}
                                .Add(FolderRecord({Coder({3}, 3, 3)}, {{0, 1}, {1, 2}}))
                                .U8(0x0C)
                                .bytes());
                      },
                      "unpack size count beyond header"},
        OpenFatalCase{"SubStreamCountBeyondHeader",
                      [] {
                        return WithMain(Pack(), Unpack(),
                                        ByteBuilder{0x08, 0x0D}.Num(1u << 30).Raw({0x09, 1, 0}));
                      },
                      "sub-stream count beyond header"},
        OpenFatalCase{"FolderWithoutCoders", [] { return WithFolder(ByteBuilder{0x00}, {}); },
                      "folder without coders"},
        OpenFatalCase{"FolderWithoutOutput",
                      [] { return WithFolder(FolderRecord({Coder({3}, 1, 0)}), {}); },
                      "folder without output"},
        OpenFatalCase{
            "BindPairIndexOutOfRange",
            [] {
              return WithFolder(FolderRecord({Coder({3}), Coder({4})}, {{5, 0}}), {12, 12});
            },
            "stream index out of range"},
        OpenFatalCase{"PackedIndexOutOfRange",
                      [] {
                        return WithFolder(FolderRecord({Coder({3}, 2, 1)}, {}, {0, 7}), {12});
                      },
                      "stream index out of range"},
        OpenFatalCase{"ExternalIndexWithoutElement",
                      [] {
                        ByteBuilder files{0x05, 0x01};
                        files.Property(0x11, ByteBuilder{0x01, 0x00}).U8(0);
                        return WithHeader(Header({DefaultMain(), files}));
                      },
                      "external data missing"},
        OpenFatalCase{
            "NoSubStreamsInfo",
            [] {
              return WithHeader(Header({Main(Pack(), Unpack(), ByteBuilder()), ByteBuilder{0x00}}));
            },
            "unpack stream count mismatch"},
        OpenFatalCase{
            "NumUnpackStreamTwice",
            [] {
              return WithMain(Pack(), Unpack(), ByteBuilder{0x08, 0x0D, 0x01, 0x0D, 0x01, 0x00});
            },
            "unpack stream count mismatch"},
        OpenFatalCase{"SeveralSubStreamsWithoutSizes",
                      [] { return WithMain(Pack(), Unpack(), SubStreamsInfo({2}, {})); },
                      "sub-stream count mismatch"},
        OpenFatalCase{"FolderOfNoSubStreams",
                      [] { return WithMain(Pack(), Unpack(), SubStreamsInfo({0}, {})); },
                      "sub-stream count mismatch"},
        OpenFatalCase{"SubStreamSizesExceedFolder",
                      [] { return WithMain(Pack(), Unpack(), SubStreamsInfo({2}, {13})); },
                      "sub-stream sizes exceed folder"},
        OpenFatalCase{"MoreEntriesThanSubStreams",
                      [] {
                        return WithMain(Pack(), Unpack(), SubStreamsInfo({}, {}),
                                        FilesInfo({{u"a"}, {u"b"}}));
                      },
                      "sub-stream count mismatch"},
        OpenFatalCase{"SubStreamsWithoutFilesInfo",
                      [] {
                        return WithHeader(Header({DefaultMain(), ByteBuilder{0x00}}));
                      },
                      "sub-stream count mismatch"},
        OpenFatalCase{
            "DigestsTwice",
            [] {
              ByteBuilder sub = ByteBuilder{0x08, 0x0A, 0x01}.U32(1).Raw({0x0A, 0x01}).U32(2).U8(0);
              return WithMain(Pack(), Unpack(), sub);
            },
            "repeated property"},
        OpenFatalCase{
            "EmptyStreamTwice",
            [] {
              ByteBuilder files{0x05, 0x01};
              files.Property(0x0E, ByteBuilder{0x80}).Property(0x0E, ByteBuilder{0x80}).U8(0);
              return WithHeader(Header({files}));
            },
            "repeated property"},
        OpenFatalCase{"TimesTwice",
                      [] {
                        ByteBuilder times = ByteBuilder{0x01, 0x00}.U64(1);
                        ByteBuilder files{0x05, 0x01};
                        files.Property(0x14, times).Property(0x14, times).U8(0);
                        return WithHeader(Header({DefaultMain(), files}));
                      },
                      "repeated property"},
        OpenFatalCase{"SubStreamsInfoTwice",
                      [] {
                        return WithMain(Pack(), Unpack(),
                                        SubStreamsInfo({}, {}).Add(SubStreamsInfo({}, {})));
                      },
                      "repeated property"},
        OpenFatalCase{"FileCountOfTwoToThe24InPadding",
                      [] {
                        // Enough bits for every entry, but not the two bytes of a name each.
                        const uint32_t padding = 2200000;
                        ByteBuilder h{0x01, 0x05};
                        h.Num(1u << 24).U8(0x19).Num(padding).Raw(Bytes(padding, 0));
                        return WithHeader(h.U8(0).U8(0).bytes());
                      },
                      "file count beyond header"},
        OpenFatalCase{"FolderNeedsMorePackedStreams",
                      [] { return WithMain(PackInfo(0, {}), Unpack(), SubStreamsInfo({}, {})); },
                      "pack stream count mismatch"}),
    CaseName());

TEST_F(OpenArchiveTest, LimitZeroNeedsTheSignatureAtTheStart) {
  EXPECT_EQ(FatalReasonOf([&] {
              Open(ArchiveBytes({0x01, 0x04, 0x00, 0x00}, {}, {0x00}), 0);
            }),
            "signature not found");
}

// An archive written by an independent tool for one file opens with its name, size, time
// and attributes.
TEST_F(OpenArchiveTest, OneFileArchiveFromBsdtar) {
  if (system("command -v bsdtar >/dev/null 2>&1") != 0) GTEST_SKIP() << "bsdtar not installed";
  char dir[] = "/tmp/stubkit-bsdtar-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string d = dir;
  {
    std::ofstream out(d + "/payload.bin", std::ios::binary);
    for (int i = 0; i < 3000; ++i) out.put(char(i * 13));
  }
  ASSERT_EQ(chmod((d + "/payload.bin").c_str(), 0640), 0);
  std::string command = "cd " + d + " && touch -d '2021-06-15 12:34:56 UTC' payload.bin && " +
                        "bsdtar --format 7zip -cf out.7z payload.bin";
  ASSERT_EQ(system(command.c_str()), 0);
  std::ifstream in(d + "/out.7z", std::ios::binary);
  Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  system(("rm -rf " + d).c_str());

  Open(bytes);
  const ArchiveDatabase& db = archive_->Database;
  ASSERT_EQ(db.Files.Count(), 1u);
  const FileItem& f = db.Files[0];
  EXPECT_EQ(Name(0), "payload.bin");
  EXPECT_EQ(f.Size, 3000u);
  EXPECT_FALSE(f.IsDirectory);
  ASSERT_TRUE(f.LastWriteTimeDefined);
  // 2021-06-15 12:34:56 UTC in 100 ns units since 1601.
  uint64_t expected = (1623760496ull + 11644473600ull) * 10000000ull;
  uint64_t time = uint64_t(f.LastWriteTime.dwHighDateTime) << 32 | f.LastWriteTime.dwLowDateTime;
  EXPECT_EQ(time, expected);
  ASSERT_TRUE(f.AttributesDefined);
  EXPECT_EQ(f.Attributes & 0xFFFF0000u, (0100640u) << 16);
  EXPECT_TRUE(f.Attributes & 0x8000u);
  EXPECT_TRUE(f.CrcDefined);
  EXPECT_EQ(db.Folders.Count(), 1u);
  EXPECT_EQ(db.FolderFirstFile[0], 0u);
  EXPECT_EQ(db.FolderStreamPosition(0, 0), 32u);
}

}  // namespace
