// Folder layouts as the unpacker wires them, and their memory needs.
#include "FolderEncoder.h"

#include <gtest/gtest.h>

#include "FolderPlan.h"
#include "TestFiles.h"

namespace {

uint32_t DictOf(const CoderRecord& coder) {
  const auto& p = coder.properties;
  return p[1] | (p[2] << 8) | (p[3] << 16) | (uint32_t{p[4]} << 24);
}

std::vector<uint8_t> Decompress(const std::vector<uint8_t>& packed, const CoderRecord& coder,
                                size_t size) {
  lzma_options_lzma options{};
  const uint8_t d = coder.properties[0];
  options.lc = d % 9;
  options.lp = d / 9 % 5;
  options.pb = d / 45;
  options.dict_size = DictOf(coder);
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
  EXPECT_GE(WindowLimit(DictOf(folder.record.coders[0])), data.size());
  EXPECT_EQ(folder.record.packedStreams, (std::vector<uint32_t>{0}));
  ASSERT_EQ(folder.packedStreams.size(), 1u);
  EXPECT_EQ(Decompress(folder.packedStreams[0], folder.record.coders[0], data.size()), data);
}

TEST(FolderEncoder, Bcj2FolderIsWiredAsTheUnpackerRunsIt) {
  std::vector<uint8_t> data;
  for (int i = 0; i < 5000; ++i) {
    data.insert(data.end(), {0x55, 0xE8, static_cast<uint8_t>(i), 0, 0, 0, 0xE9, 8, 0, 0, 0,
                             0x0F, 0x85, 0x10, 0, 0, 0});
  }
  const EncodedFolder folder = FolderEncoder::EncodeBcj2(
      data, {{0, data.size(), data.size() + 4096, {}}}, LzmaSettings(), nullptr);
  const FolderRecord& r = folder.record;
  ASSERT_EQ(r.coders.size(), 4u);
  EXPECT_EQ(r.coders[3].methodId, kMethodBcj2);
  EXPECT_EQ(r.coders[3].numInStreams, 4u);
  EXPECT_TRUE(r.coders[3].properties.empty());
  EXPECT_EQ(r.bindPairs, (std::vector<std::pair<uint32_t, uint32_t>>{{5, 0}, {4, 1}, {3, 2}}));
  EXPECT_EQ(r.packedStreams, (std::vector<uint32_t>{2, 6, 1, 0}));
  ASSERT_EQ(r.unpackSizes.size(), 4u);
  EXPECT_EQ(r.unpackSizes[3], data.size());
  EXPECT_EQ(r.unpackSizes[0], 2 * 5000 * 4u);  // jump targets: E9 and 0F 85
  EXPECT_EQ(r.unpackSizes[1], 5000 * 4u);      // call targets
  EXPECT_EQ(r.unpackSizes[2], data.size() - 3 * 5000 * 4u);
  // Packed stream k feeds in-stream packedStreams[k]: main, decisions, call, jump.
  const std::vector<uint8_t> main = Decompress(folder.packedStreams[0], r.coders[2], r.unpackSizes[2]);
  const std::vector<uint8_t> call = Decompress(folder.packedStreams[2], r.coders[1], r.unpackSizes[1]);
  const std::vector<uint8_t> jump = Decompress(folder.packedStreams[3], r.coders[0], r.unpackSizes[0]);
  EXPECT_EQ(call[3], 2 + 4) << "first call: field at 2, displacement 0";
  EXPECT_EQ(main[0], 0x55);
  EXPECT_EQ(jump.size(), r.unpackSizes[0]);
  for (size_t c = 0; c < 3; ++c) EXPECT_GE(WindowLimit(DictOf(r.coders[c])), r.unpackSizes[c]);
}

}  // namespace
