// Headers whose folders, names and attributes are stored in additional streams: those are
// decoded through the folder decoder before the main streams are parsed.
#include <gtest/gtest.h>

#include <lzma.h>

#include <memory>

#include "archive/Archive.h"
#include "archive/ArchiveSignature.h"
#include "decode/FolderDecoder.h"
#include "fixtures/FatalExpect.h"
#include "fixtures/HeaderBuilder.h"
#include "support/InputFile.h"

using namespace fixture;

namespace {

// Additional streams info for the given decoded streams, each one LZMA folder, packed back to
// back from `position`; `packed` receives their packed bytes.
ByteBuilder AdditionalStreams(uint64_t position, const std::vector<Bytes>& streams, Bytes& packed) {
  std::vector<uint64_t> packSizes;
  std::vector<ByteBuilder> folders;
  std::vector<std::vector<uint64_t>> unpackSizes;
  for (const Bytes& s : streams) {
    LzmaPacked p = LzmaPack(s);
    packed.insert(packed.end(), p.packed.begin(), p.packed.end());
    packSizes.push_back(p.packed.size());
    folders.push_back(FolderRecord({Coder({3, 1, 1}, 1, 1, p.props)}));
    unpackSizes.push_back({s.size()});
  }
  return ByteBuilder{0x03}
      .Add(PackInfo(position, packSizes))
      .Add(UnpackInfo(folders, unpackSizes))
      .U8(0);
}

class AdditionalStreamsTest : public ::testing::Test {
 public:
  void SetUp() override {
    posix_testing::Reset();
    CompleteArchiveSignature();
  }
  void Open(const Bytes& contents) {
    temp_.reset(new TempFile(contents));
    file_.Open(WideString::FromAnsi(temp_->path().c_str()));
    OpenArchive(archive_, file_, 1 << 20);
  }
  std::unique_ptr<TempFile> temp_;
  InputFile file_;
  Archive archive_;
};

TEST_F(AdditionalStreamsTest, ExternalFolderNamesAndAttributes) {
  // Element 0: the main folder record; element 1: names; element 2: attributes.
  Bytes folder = FolderRecord({LzmaCoder()}).bytes();
  Bytes names = ByteBuilder().Name(u"first").Name(u"second").bytes();
  Bytes attributes = ByteBuilder().U32(0x20).U32(0x21).bytes();
  Bytes mainPacked(9, 0x55);
  Bytes packed = mainPacked;
  ByteBuilder additional =
      AdditionalStreams(mainPacked.size(), {folder, names, attributes}, packed);

  ByteBuilder unpack{0x07, 0x0B, 0x01, 0x01, 0x00};  // one folder, external in element 0
  unpack.Raw({0x0C, 30, 0x00});
  ByteBuilder files{0x05, 0x02};
  files.Property(0x11, ByteBuilder{0x01, 0x01});
  files.Property(0x15, ByteBuilder{0x01, 0x01, 0x02});
  files.U8(0x00);
  ByteBuilder header{0x01};
  header.Add(additional)
      .U8(0x04)
      .Add(PackInfo(0, {9}))
      .Add(unpack)
      .Add(SubStreamsInfo({2}, {10}))
      .U8(0x00)
      .Add(files)
      .U8(0x00);
  Open(ArchiveBytes(header.bytes(), packed));

  const ArchiveDatabase& db = archive_.Database;
  EXPECT_EQ(db.AdditionalDataStart, 32u + 9u);
  ASSERT_EQ(db.Folders.Count(), 1u);
  EXPECT_EQ(db.Folders[0].Coders[0].Properties.Bytes.Count(), 5u);
  ASSERT_EQ(db.Files.Count(), 2u);
  EXPECT_STREQ(db.Files[0].Name.ToAnsi(), "first");
  EXPECT_STREQ(db.Files[1].Name.ToAnsi(), "second");
  EXPECT_EQ(db.Files[0].Attributes, 0x20u);
  EXPECT_EQ(db.Files[1].Attributes, 0x21u);
  EXPECT_EQ(db.Files[0].Size, 10u);
  EXPECT_EQ(db.Files[1].Size, 20u);
}

TEST_F(AdditionalStreamsTest, IndexBeyondTheDecodedStreamsEndsTheRun) {
  Bytes packed;
  ByteBuilder additional = AdditionalStreams(0, {ByteBuilder().Name(u"x").bytes()}, packed);
  ByteBuilder files{0x05, 0x01};
  files.Property(0x11, ByteBuilder{0x01, 0x01}).U8(0x00);
  ByteBuilder header{0x01};
  header.Add(additional).Raw({0x04, 0x00}).Add(files);
  EXPECT_EQ(FatalReasonOf([&] { Open(ArchiveBytes(header.bytes(), packed)); }),
            "external data missing");
}

// One entry named "x" whose name comes from an additional folder that records the right CRC
// of its output or a wrong one; returns the fatal reason ("" when it opened).
std::string OpenWithNameFolderCrc(AdditionalStreamsTest& test, bool correct) {
  const Bytes names = ByteBuilder().Name(u"x").bytes();
  const uint32_t crc = lzma_crc32(names.data(), names.size(), 0);
  Bytes packed;
  Bytes additional = AdditionalStreams(0, {names}, packed).bytes();
  // Its unpack info ends 00 00 (unpack info, streams info): the digest goes before them.
  additional.resize(additional.size() - 2);
  ByteBuilder withCrc;
  withCrc.Raw(additional).Raw({0x0A, 0x01}).U32(correct ? crc : crc ^ 1).Raw({0x00, 0x00});
  ByteBuilder files{0x05, 0x01};
  files.Property(0x0E, ByteBuilder{0x80}).Property(0x11, ByteBuilder{0x01, 0x00}).U8(0x00);
  ByteBuilder header{0x01};
  header.Add(withCrc).Raw({0x04, 0x00}).Add(files);
  return FatalReasonOf([&] { test.Open(ArchiveBytes(header.bytes(), packed)); });
}

TEST_F(AdditionalStreamsTest, AdditionalFolderWithItsCrcOpens) {
  EXPECT_EQ(OpenWithNameFolderCrc(*this, true), "");
  ASSERT_EQ(archive_.Database.Files.Count(), 1u);
  EXPECT_STREQ(archive_.Database.Files[0].Name.ToAnsi(), "x");
}

TEST_F(AdditionalStreamsTest, AdditionalFolderWithAnotherCrcEndsTheRun) {
  EXPECT_EQ(OpenWithNameFolderCrc(*this, false), "additional stream CRC mismatch");
}

TEST_F(AdditionalStreamsTest, ExternalFoldersInsideTheAdditionalStreamsEndTheRun) {
  ByteBuilder header{0x01, 0x03};
  header.Add(PackInfo(0, {1})).Raw({0x07, 0x0B, 0x01, 0x01, 0x00, 0x0C, 0x01, 0x00, 0x00});
  EXPECT_EQ(FatalReasonOf([&] { Open(ArchiveBytes(header.bytes(), Bytes(1, 0))); }),
            "external data missing");
}

}  // namespace
