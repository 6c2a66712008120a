// Runs the coder graph of one folder: binds every bind pair through a StreamBinder, connects
// the folder's packed streams and output, and runs the coders one after another in folder
// order, each to completion. A bound output is therefore read only after its producer ended.
#pragma once
#include <cstdint>

#include "decode/BindInfo.h"
#include "decode/StreamBinder.h"
#include "decode/Streams.h"
#include "support/ItemVector.h"

// The mixer's record for one coder.
struct CoderSlot {
  Decoder* simple = nullptr;      // set for a one-in/one-out coder
  MultiDecoder* multi = nullptr;  // set otherwise
  uint32_t inCount = 0;
  uint32_t outCount = 0;
  ItemVector<ReadStream*> inStreams;
  ItemVector<WriteStream*> outStreams;
  ItemVector<uint32_t> inSizes;  // 0 where no size is given
  ItemVector<uint32_t> outSizes;
  ItemVector<bool> inSizeGiven;
  ItemVector<bool> outSizeGiven;
};

class CoderMixer final : public MultiDecoder {
 public:
  explicit CoderMixer(const BindInfo& bindInfo);
  ~CoderMixer() override;
  CoderMixer(const CoderMixer&) = delete;
  CoderMixer& operator=(const CoderMixer&) = delete;

  // Append the slot of the next coder in BindInfo order. The mixer does not own the coders.
  void AddDecoder(Decoder* coder);
  void AddMultiDecoder(MultiDecoder* coder);
  // Copies the sizes the pointers point to; a null array or entry means no size.
  void SetCoderSizes(uint32_t coderIndex, const uint32_t* const* inSizePtrs,
                     const uint32_t* const* outSizePtrs);

  // The mixer takes no properties: ends the run.
  void SetProperties(ReadStream* properties) override;
  // ins feed BindInfo.InStreams and outs receive BindInfo.OutStreams, in order; sizes are
  // ignored (each coder has its own from SetCoderSizes).
  void Decode(ReadStream** ins, const uint32_t* const* inSizes, uint32_t inCount,
              WriteStream** outs, const uint32_t* const* outSizes, uint32_t outCount) override;

  uint32_t SlotCount() const { return slots_.Count(); }

 private:
  CoderSlot* AddSlot();
  void Bind(ReadStream** ins, WriteStream** outs);
  void RunSlot(CoderSlot& slot);

  BindInfo bindInfo_;
  ItemVector<StreamBinder*> binders_;  // one per bind pair, in bind-pair order
  ItemVector<CoderSlot*> slots_;       // one per coder, in folder order
};
