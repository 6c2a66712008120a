// Compresses one folder's data into its packed streams and describes the coders for the
// header: either one LZMA coder, or the BCJ2 layout of three LZMA coders feeding a BCJ2 coder.
#pragma once
#include <cstdint>
#include <vector>

#include "bcj2/Bcj2Encoder.h"
#include "pack/ArchiveModel.h"
#include "pack/LzmaEncoder.h"
#include "pack/SideJobs.h"

struct EncodedFolder {
  FolderRecord record;
  std::vector<std::vector<uint8_t>> packedStreams;  // in file order
};

// The main stream's LZMA settings for x86 code: base with one position bit, which packs
// stripped i686 DLLs 0.1% smaller than the default two (measured against 0, 2 and 3 and
// other literal context/position bits).
LzmaSettings X86MainSettings(const LzmaSettings& base);

// The BCJ2 decoder's fourth input, the range-coded yes/no decisions: stored as they are, the
// layout other 7z readers know, or through an LZMA coder of its own, which the unpacker reads
// as well. The coder's adaptive probabilities cost at least 1/45 bit per decision however
// sure they are, and long runs of sure decisions leave patterns LZMA takes out: 9% of the
// decisions' bytes on stripped i686 DLLs. kCompressed falls back to stored when the coder
// would cost more header bytes than it saves.
enum class Bcj2Decisions { kStored, kCompressed };

class FolderEncoder {
 public:
  // settings.dictSize is the preferred dictionary; each coder gets one that fits its output.
  static EncodedFolder EncodeLzma(const std::vector<uint8_t>& data, const LzmaSettings& settings,
                                  const LzmaEncoder::Progress& progress);
  // Coder order LZMA (jump), LZMA (call), LZMA (main), [LZMA (decisions),] BCJ2: the
  // unpacker runs coders in order, so every producer precedes the BCJ2 coder that reads it.
  // Bind pairs {5,0} {4,1} {3,2}, or {6,0} {5,1} {4,2} {7,3} with compressed decisions;
  // packed streams in file order: main, decisions, call, jump. settings apply to the main
  // stream. The small streams go to sideJobs while this thread encodes the main one.
  static EncodedFolder EncodeBcj2(const std::vector<uint8_t>& data,
                                  const std::vector<Bcj2Region>& regions,
                                  const LzmaSettings& settings, Bcj2Decisions decisions,
                                  const LzmaEncoder::Progress& progress,
                                  SideJobQueue& sideJobs);
};
