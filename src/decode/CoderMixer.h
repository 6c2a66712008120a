// Runs the coder graph of one folder: each bound in-stream reads straight from the coder that
// produces it, the folder's packed streams feed the others, and the coder of the folder's
// output is read in pieces onto the output. Coders are started producers first; nothing is
// decoded before the output asks for it, and no coder's whole output is ever held.
#pragma once
#include <cstdint>

#include "decode/BindInfo.h"
#include "support/ItemVector.h"
#include "support/Streams.h"

// The mixer's record for one coder.
struct CoderSlot {
  Decoder* coder = nullptr;
  uint32_t inCount = 0;
  uint32_t outCount = 0;
  ItemVector<ReadStream*> inStreams;
  ItemVector<int32_t> producers;  // per in-stream: the slot that feeds it, or -1
  ItemVector<uint32_t> inSizes;   // 0 where no size is given
  ItemVector<uint32_t> outSizes;
  ItemVector<bool> inSizeGiven;
  ItemVector<bool> outSizeGiven;
  bool bound = false;    // its output feeds another coder
  bool started = false;
};

class CoderMixer final {
 public:
  // The size of the pieces in which the folder's output is read and written.
  static const uint32_t kPieceSize = 1 << 18;

  explicit CoderMixer(const BindInfo& bindInfo);
  ~CoderMixer();
  CoderMixer(const CoderMixer&) = delete;
  CoderMixer& operator=(const CoderMixer&) = delete;

  // Appends the slot of the next coder in BindInfo order. The mixer does not own the coders.
  void AddDecoder(Decoder* coder);
  // Copies the sizes the pointers point to; a null array or entry means no size.
  void SetCoderSizes(uint32_t coderIndex, const uint32_t* const* inSizePtrs,
                     const uint32_t* const* outSizePtrs);

  // ins feed BindInfo.InStreams in order; the folder's one output goes to out, in pieces of at
  // most kPieceSize bytes, each of which out must take whole.
  void Decode(ReadStream** ins, uint32_t inCount, WriteStream* out);

  uint32_t SlotCount() const { return slots_.Count(); }

 private:
  CoderSlot* AddSlot();
  void Bind(ReadStream** ins);
  void StartSlot(CoderSlot& slot);
  void StartAll();

  BindInfo bindInfo_;
  ItemVector<CoderSlot*> slots_;  // one per coder, in folder order
  uint8_t* piece_ = nullptr;      // the output piece, kPieceSize bytes once decoding began
};
