// Folder layouts as the unpacker wires them, and their memory needs.
#include "pack/FolderEncoder.h"

#include <gtest/gtest.h>

#include "format/LzmaProperties.h"
#include "pack/FolderPlan.h"
#include "stubpack/TestFiles.h"

namespace {

uint32_t DictOf(const CoderRecord& coder) {
  return ParseLzmaProperties(coder.properties.data()).dictionarySize;
}

std::vector<uint8_t> Decompress(const std::vector<uint8_t>& packed, const CoderRecord& coder,
                                size_t size) {
  lzma_options_lzma options{};
  const LzmaProperties properties = ParseLzmaProperties(coder.properties.data());
  options.lc = properties.lc;
  options.lp = properties.lp;
  options.pb = properties.pb;
  options.dict_size = properties.dictionarySize;
  options.ext_size_low = static_cast<uint32_t>(size);
  lzma_filter filters[2] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  lzma_stream stream = LZMA_STREAM_INIT;
  EXPECT_EQ(lzma_raw_decoder(&stream, filters), LZMA_OK);
  std::vector<uint8_t> out(size);
  stream.next_in = packed.data();
  stream.avail_in = packed.size();
  stream.next_out = out.data();
  stream.avail_out = out.size();
  const lzma_ret ret = lzma_code(&stream, LZMA_FINISH);
  EXPECT_TRUE(ret == LZMA_STREAM_END || ret == LZMA_OK) << ret;
  EXPECT_EQ(stream.avail_out, 0u);
  lzma_end(&stream);
  return out;
}

TEST(FolderEncoder, LzmaFolderFitsTheUnpackersWindowWithASmallDictionary) {
  std::vector<uint8_t> data = RandomBytes(5 << 20, 3);
  LzmaSettings settings;
  settings.dictSize = 1 << 20;
  settings.mode = LZMA_MODE_FAST;
  settings.niceLen = 32;
  const EncodedFolder folder = FolderEncoder::EncodeLzma(data, settings, nullptr);
  ASSERT_EQ(folder.record.coders.size(), 1u);
  EXPECT_EQ(folder.record.coders[0].methodId, kMethodLzma);
  EXPECT_EQ(folder.record.coders[0].properties[0], 0x5D);  // lc 3, lp 0, pb 2
  EXPECT_GE(LzmaWindowLimit(DictOf(folder.record.coders[0])), data.size());
  EXPECT_EQ(folder.record.packedStreams, (std::vector<uint32_t>{0}));
  ASSERT_EQ(folder.packedStreams.size(), 1u);
  EXPECT_EQ(Decompress(folder.packedStreams[0], folder.record.coders[0], data.size()), data);
}

// The same branches in both layouts: the decisions stored, or through an LZMA coder of their
// own that sits before the BCJ2 coder.
TEST(FolderEncoder, Bcj2FolderIsWiredAsTheUnpackerRunsIt) {
  constexpr uint32_t kRepeats = 20000;
  std::vector<uint8_t> data;
  for (uint32_t i = 0; i < kRepeats; ++i) {
    data.insert(data.end(), {0x55, 0xE8, static_cast<uint8_t>(i), 0, 0, 0, 0xE9, 8, 0, 0, 0,
                             0x0F, 0x85, 0x10, 0, 0, 0});
  }
  const struct {
    Bcj2Decisions decisions;
    size_t bcj2;  // index of the BCJ2 coder
    std::vector<BindPair> bindPairs;
    std::vector<uint32_t> packedStreams;
  } layouts[] = {
      {Bcj2Decisions::kStored, 3, {{5, 0}, {4, 1}, {3, 2}}, {2, 6, 1, 0}},
      {Bcj2Decisions::kCompressed, 4, {{6, 0}, {5, 1}, {4, 2}, {7, 3}}, {2, 3, 1, 0}},
  };
  std::vector<uint8_t> storedDecisions;
  SideJobQueue sideJobs;  // no worker: the folder's thread runs them
  for (const auto& layout : layouts) {
    SCOPED_TRACE(layout.bcj2);
    const EncodedFolder folder = FolderEncoder::EncodeBcj2(
        data, {{0, data.size(), data.size() + 4096, {}}}, LzmaSettings(), layout.decisions,
        nullptr, sideJobs);
    const FolderRecord& r = folder.record;
    ASSERT_EQ(r.coders.size(), layout.bcj2 + 1);
    EXPECT_EQ(r.coders[layout.bcj2].methodId, kMethodBcj2);
    EXPECT_EQ(r.coders[layout.bcj2].numInStreams, 4u);
    EXPECT_TRUE(r.coders[layout.bcj2].properties.empty());
    EXPECT_EQ(r.bindPairs, layout.bindPairs);
    EXPECT_EQ(r.packedStreams, layout.packedStreams);
    ASSERT_EQ(r.unpackSizes.size(), layout.bcj2 + 1);
    EXPECT_EQ(r.unpackSizes[layout.bcj2], data.size());
    EXPECT_EQ(r.unpackSizes[0], 2 * kRepeats * 4);  // jump targets: E9 and 0F 85
    EXPECT_EQ(r.unpackSizes[1], kRepeats * 4);      // call targets
    EXPECT_EQ(r.unpackSizes[2], data.size() - 3 * kRepeats * 4);
    // Packed stream k feeds in-stream packedStreams[k]: main, decisions, call, jump.
    const auto main = Decompress(folder.packedStreams[0], r.coders[2], r.unpackSizes[2]);
    const auto call = Decompress(folder.packedStreams[2], r.coders[1], r.unpackSizes[1]);
    const auto jump = Decompress(folder.packedStreams[3], r.coders[0], r.unpackSizes[0]);
    EXPECT_EQ(call[3], 2 + 4) << "first call: field at 2, displacement 0";
    EXPECT_EQ(main[0], 0x55);
    EXPECT_EQ(jump.size(), r.unpackSizes[0]);
    for (size_t c = 0; c < layout.bcj2; ++c) {
      EXPECT_GE(LzmaWindowLimit(DictOf(r.coders[c])), r.unpackSizes[c]);
    }
    if (layout.decisions == Bcj2Decisions::kStored) {
      storedDecisions = folder.packedStreams[1];
    } else {
      EXPECT_EQ(Decompress(folder.packedStreams[1], r.coders[3], r.unpackSizes[3]),
                storedDecisions);
      EXPECT_LT(folder.packedStreams[1].size(), storedDecisions.size());
    }
  }
}

// Compressing the decisions of a few branches would cost more header bytes than it saves.
TEST(FolderEncoder, FewDecisionsStayStored) {
  const std::vector<uint8_t> data = {0x55, 0xE8, 1, 0, 0, 0, 0xC3};
  SideJobQueue sideJobs;
  const EncodedFolder folder = FolderEncoder::EncodeBcj2(
      data, {{0, data.size(), 64, {}}}, LzmaSettings(), Bcj2Decisions::kCompressed, nullptr,
      sideJobs);
  EXPECT_EQ(folder.record.coders.size(), 4u);
  EXPECT_EQ(folder.record.packedStreams, (std::vector<uint32_t>{2, 6, 1, 0}));
}

}  // namespace
