#include "decode/CoderMixer.h"

#include "support/Fatal.h"
#include "support/MemAlloc.h"

CoderMixer::CoderMixer(const BindInfo& bindInfo) : bindInfo_(bindInfo) {}

CoderMixer::~CoderMixer() {
  for (uint32_t i = 0; i < slots_.Count(); ++i) Delete(slots_[i]);
  MemFree(piece_);
}

CoderSlot* CoderMixer::AddSlot() {
  uint32_t index = slots_.Count();
  if (index >= bindInfo_.Coders.Count()) FatalError(FailureReason::MoreCodersThanFolderLists);
  CoderSlot* slot = New<CoderSlot>();
  slot->inCount = bindInfo_.Coders[index].inCount;
  slot->outCount = bindInfo_.Coders[index].outCount;
  slot->inSizes.Resize(slot->inCount);
  slot->outSizes.Resize(slot->outCount);
  slot->inSizeGiven.Resize(slot->inCount);
  slot->outSizeGiven.Resize(slot->outCount);
  slots_.Add(slot);
  return slot;
}

void CoderMixer::AddDecoder(Decoder* coder) {
  CoderSlot* slot = AddSlot();
  // Every coder here has one output, read through the coder itself.
  if (slot->outCount != 1) FatalError(FailureReason::CoderWithSeveralOutStreams);
  slot->coder = coder;
}

void CoderMixer::SetCoderSizes(uint32_t coderIndex, const uint32_t* const* inSizePtrs,
                               const uint32_t* const* outSizePtrs) {
  if (coderIndex >= slots_.Count()) FatalError(FailureReason::SizesForMissingCoder);
  CoderSlot& slot = *slots_[coderIndex];
  for (uint32_t i = 0; i < slot.inCount; ++i) {
    const uint32_t* size = inSizePtrs ? inSizePtrs[i] : nullptr;
    slot.inSizeGiven[i] = size != nullptr;
    slot.inSizes[i] = size ? *size : 0;
  }
  for (uint32_t i = 0; i < slot.outCount; ++i) {
    const uint32_t* size = outSizePtrs ? outSizePtrs[i] : nullptr;
    slot.outSizeGiven[i] = size != nullptr;
    slot.outSizes[i] = size ? *size : 0;
  }
}

void CoderMixer::Bind(ReadStream** ins) {
  if (slots_.Count() != bindInfo_.Coders.Count())
    FatalError(FailureReason::CoderCountDiffersFromFolder);
  for (uint32_t i = 0; i < slots_.Count(); ++i) {
    CoderSlot& slot = *slots_[i];
    slot.inStreams.Clear();
    slot.inStreams.Resize(slot.inCount);
    slot.producers.Clear();
    for (uint32_t k = 0; k < slot.inCount; ++k) slot.producers.Add(-1);
    slot.bound = false;
    slot.started = false;
  }
  for (uint32_t j = 0; j < bindInfo_.BindPairs.Count(); ++j) {
    StreamLocation consumer = bindInfo_.LocateInStream(bindInfo_.BindPairs[j].inIndex);
    StreamLocation producer = bindInfo_.LocateOutStream(bindInfo_.BindPairs[j].outIndex);
    CoderSlot& from = *slots_[producer.coder];
    // Only a one-in/one-out coder (LZMA) may feed another coder.
    if (from.inCount != 1) FatalError(FailureReason::BoundOutputOfMultiStreamCoder);
    // An output is read once: two readers would each get part of it.
    if (from.bound) FatalError(FailureReason::OutStreamBoundTwice);
    from.bound = true;
    slots_[consumer.coder]->inStreams[consumer.local] = from.coder;
    slots_[consumer.coder]->producers[consumer.local] = int32_t(producer.coder);
  }
  for (uint32_t i = 0; i < bindInfo_.InStreams.Count(); ++i) {
    StreamLocation at = bindInfo_.LocateInStream(bindInfo_.InStreams[i]);
    slots_[at.coder]->inStreams[at.local] = ins[i];
    slots_[at.coder]->producers[at.local] = -1;
  }
  for (uint32_t i = 0; i < slots_.Count(); ++i) {
    const CoderSlot& slot = *slots_[i];
    for (uint32_t k = 0; k < slot.inCount; ++k) {
      if (!slot.inStreams[k]) FatalError(FailureReason::CoderInStreamNotConnected);
    }
  }
}

void CoderMixer::StartSlot(CoderSlot& slot) {
  ItemVector<const uint32_t*> inSizePtrs;
  for (uint32_t i = 0; i < slot.inCount; ++i) {
    inSizePtrs.Add(slot.inSizeGiven[i] ? &slot.inSizes[i] : nullptr);
  }
  slot.coder->Start(slot.inStreams.Data(), inSizePtrs.Data(), slot.inCount,
                    slot.outSizeGiven[0] ? &slot.outSizes[0] : nullptr);
  slot.started = true;
}

// A coder may read its inputs as it starts (BCJ2 takes its first decision bytes), so each
// starts after the coders that feed it. A pass that starts nothing leaves a cycle.
void CoderMixer::StartAll() {
  for (uint32_t left = slots_.Count(); left != 0;) {
    uint32_t startedNow = 0;
    for (uint32_t i = 0; i < slots_.Count(); ++i) {
      CoderSlot& slot = *slots_[i];
      if (slot.started) continue;
      bool ready = true;
      for (uint32_t k = 0; k < slot.inCount && ready; ++k)
        ready = slot.producers[k] < 0 || slots_[uint32_t(slot.producers[k])]->started;
      if (!ready) continue;
      StartSlot(slot);
      ++startedNow;
    }
    if (startedNow == 0) FatalError(FailureReason::CodersFeedEachOtherInCycle);
    left -= startedNow;
  }
}

void CoderMixer::Decode(ReadStream** ins, uint32_t inCount, WriteStream* out) {
  if (inCount != bindInfo_.InStreams.Count() || bindInfo_.OutStreams.Count() != 1) {
    FatalError(FailureReason::StreamCountsDifferFromFolder);
  }
  Bind(ins);
  StartAll();
  ReadStream* output = slots_[bindInfo_.LocateOutStream(bindInfo_.OutStreams[0]).coder]->coder;
  if (!piece_) piece_ = static_cast<uint8_t*>(MemAlloc(kPieceSize));
  for (uint32_t got; (got = output->Read(piece_, kPieceSize)) != 0;) {
    if (out->Write(piece_, got) != got) FatalError(FailureReason::FolderOutputNotAccepted);
  }
}
