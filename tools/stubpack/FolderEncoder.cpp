#include "FolderEncoder.h"

#include "FolderPlan.h"

namespace {

CoderRecord LzmaCoder(const LzmaSettings& settings) {
  CoderRecord coder;
  coder.methodId = kMethodLzma;
  const auto props = LzmaEncoder::Properties(settings);
  coder.properties.assign(props.begin(), props.end());
  return coder;
}

std::vector<uint8_t> Compress(const std::vector<uint8_t>& data, LzmaSettings& settings,
                              const LzmaEncoder::Progress& progress) {
  settings.dictSize = ChooseDictionary(data.size(), settings.dictSize);
  return LzmaEncoder::Encode(data.data(), data.size(), settings, progress);
}

}  // namespace

LzmaSettings X86MainSettings(const LzmaSettings& base) {
  LzmaSettings settings = base;
  settings.pb = 1;
  return settings;
}

EncodedFolder FolderEncoder::EncodeLzma(const std::vector<uint8_t>& data,
                                        const LzmaSettings& base,
                                        const LzmaEncoder::Progress& progress) {
  LzmaSettings settings = base;
  EncodedFolder folder;
  folder.packedStreams.push_back(Compress(data, settings, progress));
  folder.record.coders.push_back(LzmaCoder(settings));
  folder.record.packedStreams = {0};
  folder.record.unpackSizes = {data.size()};
  return folder;
}

EncodedFolder FolderEncoder::EncodeBcj2(const std::vector<uint8_t>& data,
                                        const std::vector<Bcj2Region>& regions,
                                        const LzmaSettings& base,
                                        const LzmaEncoder::Progress& progress) {
  Bcj2Streams streams =
      Bcj2Encoder::Encode(data.data(), data.size(), Bcj2ImagePolicy(regions));

  // Branch targets are 4-byte big-endian numbers: literal position bits fit them best.
  LzmaSettings targets = base;
  targets.lc = 0;
  targets.lp = 2;
  targets.pb = 2;
  LzmaSettings main = base;
  LzmaSettings call = targets;
  LzmaSettings jump = targets;

  EncodedFolder folder;
  std::vector<uint8_t> mainPacked = Compress(streams.main, main, progress);
  std::vector<uint8_t> callPacked = Compress(streams.call, call, nullptr);
  std::vector<uint8_t> jumpPacked = Compress(streams.jump, jump, nullptr);
  folder.packedStreams.push_back(std::move(mainPacked));
  folder.packedStreams.push_back(std::move(streams.rc));
  folder.packedStreams.push_back(std::move(callPacked));
  folder.packedStreams.push_back(std::move(jumpPacked));

  FolderRecord& record = folder.record;
  record.coders = {LzmaCoder(jump), LzmaCoder(call), LzmaCoder(main)};
  CoderRecord bcj2;
  bcj2.methodId = kMethodBcj2;
  bcj2.numInStreams = 4;
  record.coders.push_back(bcj2);
  // In-streams: 0 jump-LZMA, 1 call-LZMA, 2 main-LZMA, 3..6 BCJ2 (main, call, jump, rc).
  record.bindPairs = {{5, 0}, {4, 1}, {3, 2}};
  record.packedStreams = {2, 6, 1, 0};
  record.unpackSizes = {streams.jump.size(), streams.call.size(), streams.main.size(),
                        data.size()};
  return folder;
}
