#include "pack/FolderEncoder.h"

#include "pack/FolderPlan.h"

namespace {

// What one more LZMA coder adds to a folder's record: flags, method, properties, a bind pair
// and an unpack size.
constexpr size_t kCoderHeaderBytes = 16;

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
                                        Bcj2Decisions decisions,
                                        const LzmaEncoder::Progress& progress,
                                        SideJobQueue& sideJobs) {
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

  // Range-coder output: no literal context or position pays off.
  LzmaSettings rc = base;
  rc.lc = 0;
  rc.lp = 0;
  rc.pb = 0;
  std::vector<uint8_t> mainPacked;
  std::vector<uint8_t> rcPacked, callPacked, jumpPacked;
  {
    SideJobs small(sideJobs);
    small.Post([&] { jumpPacked = Compress(streams.jump, jump, nullptr); });
    small.Post([&] { callPacked = Compress(streams.call, call, nullptr); });
    if (decisions == Bcj2Decisions::kCompressed)
      small.Post([&] { rcPacked = Compress(streams.rc, rc, nullptr); });
    mainPacked = Compress(streams.main, main, progress);
    small.Wait();
  }
  // The extra coder costs header bytes too: its record, bind pair and size.
  if (rcPacked.size() + kCoderHeaderBytes > streams.rc.size()) rcPacked.clear();
  const bool compressRc = !rcPacked.empty();

  EncodedFolder folder;
  folder.packedStreams.push_back(std::move(mainPacked));
  folder.packedStreams.push_back(compressRc ? std::move(rcPacked) : std::move(streams.rc));
  folder.packedStreams.push_back(std::move(callPacked));
  folder.packedStreams.push_back(std::move(jumpPacked));

  FolderRecord& record = folder.record;
  record.coders = {LzmaCoder(jump), LzmaCoder(call), LzmaCoder(main)};
  record.unpackSizes = {streams.jump.size(), streams.call.size(), streams.main.size()};
  if (compressRc) {
    record.coders.push_back(LzmaCoder(rc));
    record.unpackSizes.push_back(streams.rc.size());
  }
  CoderRecord bcj2;
  bcj2.methodId = kMethodBcj2;
  bcj2.numInStreams = 4;
  record.coders.push_back(bcj2);
  record.unpackSizes.push_back(data.size());
  // In-streams: one per LZMA coder (jump, call, main[, decisions]) in coder order, then the
  // BCJ2 coder's four (main, call, jump, decisions); out-streams likewise, one per coder.
  const uint32_t bcj2In = compressRc ? 4 : 3;
  record.bindPairs = {{bcj2In + 2, 0}, {bcj2In + 1, 1}, {bcj2In, 2}};
  if (compressRc) record.bindPairs.push_back({bcj2In + 3, 3});
  record.packedStreams = {2, compressRc ? 3 : bcj2In + 3, 1, 0};
  return folder;
}
