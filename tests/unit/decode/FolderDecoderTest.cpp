#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/FolderDecoder.h"
#include "fixtures/Bcj2Folder.h"
#include "fixtures/FatalExpect.h"
#include "fixtures/LzmaTestStream.h"
#include "fixtures/TempDir.h"
#include "fixtures/TestData.h"
#include "fixtures/TestStreams.h"
#include "support/InputFile.h"

namespace {

using Bytes = std::vector<uint8_t>;

CoderInfo Coder(Bytes id, uint64_t ins, uint64_t outs, Bytes props) {
  CoderInfo coder;
  for (size_t i = 0; i < id.size(); ++i) coder.Method.Bytes[i] = id[i];
  coder.Method.Length = uint32_t(id.size());
  coder.NumInStreams = ins;
  coder.NumOutStreams = outs;
  if (!props.empty()) coder.Properties.Write(props.data(), uint32_t(props.size()));
  return coder;
}

const Bytes kLzmaId = {0x03, 0x01, 0x01};
const Bytes kBcj2Id = {0x03, 0x03, 0x01, 0x1B};
const Bytes kLzmaProps = {0x5D, 0x00, 0x00, 0x10, 0x00};

CoderInfo Lzma(Bytes props = kLzmaProps) { return Coder(kLzmaId, 1, 1, props); }
CoderInfo Bcj2(Bytes props = {}) { return Coder(kBcj2Id, 4, 1, props); }

Folder MakeFolder(std::vector<CoderInfo> coders, std::vector<std::pair<uint64_t, uint64_t>> pairs,
                  std::vector<uint64_t> packed, std::vector<uint32_t> unpackSizes) {
  Folder folder;
  for (const CoderInfo& c : coders) folder.Coders.Add(c);
  for (auto p : pairs) {
    BindPair pair;
    pair.InIndex = p.first;
    pair.OutIndex = p.second;
    folder.BindPairs.Add(pair);
  }
  for (uint64_t p : packed) folder.PackedStreams.Add(p);
  for (uint32_t s : unpackSizes) folder.UnpackSizes.Add(s);
  return folder;
}

TEST(FolderDecoder, MethodIds) {
  EXPECT_EQ(MethodLzma.Length, 3u);
  EXPECT_EQ(Bytes(MethodLzma.Bytes, MethodLzma.Bytes + 3), kLzmaId);
  EXPECT_EQ(MethodBcj2.Length, 4u);
  EXPECT_EQ(Bytes(MethodBcj2.Bytes, MethodBcj2.Bytes + 4), kBcj2Id);
}

// Every row fails before a byte of the file is read, so the file is never opened.
TEST(FolderDecoder, RejectedFolders) {
  const uint32_t packSizes[] = {10, 10, 10, 10, 10};
  struct Row {
    const char* name;
    Folder folder;
    const char* reason;
  } rows[] = {
      {"Copy", MakeFolder({Coder({0x00}, 1, 1, {})}, {}, {0}, {5}),
       "unsupported single-stream method"},
      {"single-stream x86 converter", MakeFolder({Coder({3, 3, 1, 3}, 1, 1, {})}, {}, {0}, {5}),
       "unsupported single-stream method"},
      {"BCJ2 id with one in and one out", MakeFolder({Coder(kBcj2Id, 1, 1, {})}, {}, {0}, {5}),
       "unsupported single-stream method"},
      {"LZMA id with two ins", MakeFolder({Coder(kLzmaId, 2, 1, kLzmaProps)}, {}, {0, 1}, {5}),
       "unsupported multi-stream method"},
      {"BCJ2 with property bytes", MakeFolder({Bcj2({1})}, {}, {0, 1, 2, 3}, {5}),
       "BCJ2 coder given properties"},
      {"LZMA pb 5", MakeFolder({Lzma({0xE1, 0, 0, 0x10, 0})}, {}, {0}, {5}), "LZMA pb above 4"},
      {"LZMA lc + lp above 4", MakeFolder({Lzma({0xE0, 0, 0, 0x10, 0})}, {}, {0}, {5}),
       "LZMA lc + lp above 4"},
      {"LZMA four property bytes", MakeFolder({Lzma({0x5D, 0, 0, 0x10})}, {}, {0}, {5}),
       "LZMA dictionary size missing"},
      {"LZMA without property bytes", MakeFolder({Lzma({})}, {}, {0}, {5}),
       "LZMA coder without properties"},
      {"in-stream neither bound nor packed", MakeFolder({Lzma(), Lzma()}, {}, {0}, {5, 5}),
       "in-stream neither bound nor packed"},
      {"bind pair beyond all coders",
       MakeFolder({Lzma(), Lzma()}, {{1, 0}, {0, 5}}, {}, {5, 5, 5, 5, 5, 5}),
       "stream number beyond all coders"},
      {"packed stream beyond all coders", MakeFolder({Lzma()}, {}, {0, 4}, {5}),
       "stream number beyond all coders"},
      {"two unbound out-streams", MakeFolder({Lzma(), Lzma()}, {}, {0, 1}, {5, 5}),
       "stream counts differ from folder"},
      {"no unbound out-stream", MakeFolder({Lzma(), Lzma()}, {{1, 0}, {0, 1}}, {}, {5, 5}),
       "stream counts differ from folder"},
      {"BCJ2 output bound to another coder",
       MakeFolder({Bcj2(), Lzma()}, {{4, 0}}, {0, 1, 2, 3}, {5, 5}),
       "bound output of a multi-stream coder"},
      {"no coders", MakeFolder({}, {}, {}, {}), "folder without coders"},
      {"no coders but packed streams", MakeFolder({}, {}, {0}, {}), "folder without coders"},
      {"stream count beyond 32 bits",
       MakeFolder({Coder(kBcj2Id, 0x100000004ull, 1, {})}, {}, {0, 1, 2, 3}, {5}),
       "folder stream number beyond 32 bits"},
      {"bind pair beyond 32 bits", MakeFolder({Lzma(), Lzma()}, {{0x100000001ull, 0}}, {0}, {5, 5}),
       "folder stream number beyond 32 bits"},
      {"out-stream without an unpack size", MakeFolder({Lzma()}, {}, {0}, {}),
       "out-stream without unpack size"},
      {"bound out-stream without an unpack size", MakeFolder({Lzma(), Lzma()}, {{1, 0}}, {0}, {}),
       "out-stream without unpack size"},
  };
  for (Row& row : rows) {
    InputFile file;  // never read
    RecordingWriteStream out;
    EXPECT_EQ(FatalReasonOf([&] {
                FolderDecoder decoder;
                decoder.DecodeFolder(file, 0, packSizes, row.folder, &out);
              }),
              row.reason)
        << row.name;
    EXPECT_TRUE(out.writes.empty()) << row.name;
  }
}

TEST(FolderDecoder, PackedStreamsBeyond4GiBAreRefused) {
  const uint32_t packSizes[] = {0x80000000u, 0x80000000u};
  Folder folder = MakeFolder({Lzma(), Lzma()}, {{1, 0}}, {0, 1}, {5, 5});
  InputFile file;
  RecordingWriteStream out;
  EXPECT_EQ(FatalReasonOf([&] {
              FolderDecoder decoder;
              decoder.DecodeFolder(file, 0x10, packSizes, folder, &out);
            }),
            "packed stream beyond 4 GiB");
}

// Decodes a folder whose packed streams lie in a file.
class FolderFromFile : public testing::Test {
 protected:
  RecordingWriteStream Decode(const std::vector<uint8_t>& bytes, uint32_t packStart,
                              const std::vector<uint32_t>& packSizes, const Folder& folder) {
    std::string path = temp_ / "archive.bin";
    WriteFileBytes(path, std::string(bytes.begin(), bytes.end()));
    InputFile file;
    file.Open(WideString::FromAnsi(path.c_str()));
    RecordingWriteStream out;
    decoder_.DecodeFolder(file, packStart, packSizes.data(), folder, &out);
    return out;
  }
  TempDir temp_;
  FolderDecoder decoder_;
};

TEST_F(FolderFromFile, UsualBcj2FolderGivesBackTheX86Code) {
  std::vector<uint8_t> code = SystemPeFile(3 << 20);
  if (code.size() < 100000) code = X86LikeCode(3 << 20, 42);
  Bcj2FolderImage image = MakeBcj2FolderImage(code);
  ASSERT_EQ(image.folder.FinalUnpackSize(), code.size());
  RecordingWriteStream out = Decode(image.file, image.packStart, image.packSizes, image.folder);
  EXPECT_TRUE(out.all == code);
  // The same decoder serves the next folder afresh.
  std::vector<uint8_t> other = X86LikeCode(70000, 43);
  Bcj2FolderImage second = MakeBcj2FolderImage(other);
  EXPECT_TRUE(Decode(second.file, second.packStart, second.packSizes, second.folder).all == other);
}

TEST_F(FolderFromFile, SingleLzmaCoderWritesTheUnpackSizeOnce) {
  std::vector<uint8_t> data = MixedTestData(100000, 2);
  std::vector<uint8_t> file(77, 0xEE);
  std::vector<uint8_t> stream = LzmaEncode(data, LzmaParams(), true);
  file.insert(file.end(), stream.begin(), stream.end());
  file.insert(file.end(), 100, 0xEE);
  Folder folder = MakeFolder({Lzma()}, {}, {0}, {uint32_t(data.size())});
  RecordingWriteStream out = Decode(file, 77, {uint32_t(stream.size())}, folder);
  EXPECT_EQ(out.writes, std::vector<uint32_t>{uint32_t(data.size())});
  EXPECT_TRUE(out.all == data);
}

TEST_F(FolderFromFile, ReadingPastAPackedStreamIsDamageNotTheNextBytes) {
  // An empty packed stream right before a sound one: the coder must not go on into it.
  std::vector<uint8_t> data = MixedTestData(1000, 3);
  std::vector<uint8_t> file(10, 0xFF);
  std::vector<uint8_t> stream = LzmaEncode(data, LzmaParams(), false);
  file.insert(file.end(), stream.begin(), stream.end());
  Folder folder = MakeFolder({Lzma()}, {}, {0}, {1000});
  RecordingWriteStream out;
  EXPECT_EQ(FatalReasonOf([&] { out = Decode(file, 10, {0}, folder); }), "corrupt LZMA data");
  EXPECT_TRUE(out.all.empty());
}

// The coders' order in the folder does not matter: BCJ2 pulls from its producers as it goes.
TEST_F(FolderFromFile, Bcj2ListedBeforeItsProducersStillPullsThem) {
  std::vector<uint8_t> code = X86LikeCode(5000, 5);
  Bcj2FolderImage image = MakeBcj2FolderImage(code);
  Folder folder =
      MakeFolder({Bcj2(), Lzma(), Lzma(), Lzma()}, {{0, 3}, {1, 2}, {2, 1}}, {6, 3, 5, 4},
                 {5000, image.folder.UnpackSizes[0], image.folder.UnpackSizes[1],
                  image.folder.UnpackSizes[2]});
  RecordingWriteStream out = Decode(image.file, image.packStart, image.packSizes, folder);
  EXPECT_TRUE(out.all == code);
}

TEST_F(FolderFromFile, FailuresWhileReading) {
  Bcj2FolderImage image = MakeBcj2FolderImage(X86LikeCode(20000, 6));
  Bcj2FolderImage corrupt = image;
  corrupt.file[image.packStart + 40] ^= 0xFF;  // inside the main LZMA stream
  EXPECT_EQ(FatalReasonOf([&] {
              Decode(corrupt.file, corrupt.packStart, corrupt.packSizes, corrupt.folder);
            }),
            "corrupt LZMA data");
  // A packed stream said to reach beyond the end of the file.
  std::vector<uint8_t> truncated(image.file.begin(), image.file.begin() + image.packStart + 100);
  EXPECT_EQ(
      FatalReasonOf([&] { Decode(truncated, image.packStart, image.packSizes, image.folder); }),
      "short read");
}

}  // namespace
