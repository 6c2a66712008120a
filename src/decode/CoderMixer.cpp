#include "decode/CoderMixer.h"

#include "support/Fatal.h"
#include "support/MemAlloc.h"

CoderMixer::CoderMixer(const BindInfo& bindInfo) : bindInfo_(bindInfo) {
  for (uint32_t i = 0; i < bindInfo_.BindPairs.Count(); ++i) binders_.Add(New<StreamBinder>());
}

CoderMixer::~CoderMixer() {
  for (uint32_t i = 0; i < binders_.Count(); ++i) Delete(binders_[i]);
  for (uint32_t i = 0; i < slots_.Count(); ++i) Delete(slots_[i]);
}

CoderSlot* CoderMixer::AddSlot() {
  uint32_t index = slots_.Count();
  if (index >= bindInfo_.Coders.Count()) FatalError("more coders than the folder lists");
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
  // A simple coder is driven through its first in- and out-stream only.
  if (slot->inCount != 1 || slot->outCount != 1) FatalError("simple coder with several streams");
  slot->simple = coder;
}

void CoderMixer::AddMultiDecoder(MultiDecoder* coder) { AddSlot()->multi = coder; }

void CoderMixer::SetCoderSizes(uint32_t coderIndex, const uint32_t* const* inSizePtrs,
                               const uint32_t* const* outSizePtrs) {
  if (coderIndex >= slots_.Count()) FatalError("sizes for a missing coder");
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

void CoderMixer::SetProperties(ReadStream*) { FatalError("coder mixer given properties"); }

void CoderMixer::Bind(ReadStream** ins, WriteStream** outs) {
  if (slots_.Count() != bindInfo_.Coders.Count()) FatalError("coder count differs from folder");
  for (uint32_t i = 0; i < slots_.Count(); ++i) {
    slots_[i]->inStreams.Clear();
    slots_[i]->inStreams.Resize(slots_[i]->inCount);
    slots_[i]->outStreams.Clear();
    slots_[i]->outStreams.Resize(slots_[i]->outCount);
  }
  for (uint32_t j = 0; j < bindInfo_.BindPairs.Count(); ++j) {
    StreamLocation consumer = bindInfo_.LocateInStream(bindInfo_.BindPairs[j].inIndex);
    StreamLocation producer = bindInfo_.LocateOutStream(bindInfo_.BindPairs[j].outIndex);
    // A binder keeps only the last block written to it, so only a coder that writes its whole
    // output once (the LZMA coder) may feed another coder.
    if (!slots_[producer.coder]->simple) FatalError("bound output of a multi-stream coder");
    binders_[j]->Reset();
    slots_[consumer.coder]->inStreams[consumer.local] = binders_[j];
    slots_[producer.coder]->outStreams[producer.local] = binders_[j];
  }
  for (uint32_t i = 0; i < bindInfo_.InStreams.Count(); ++i) {
    StreamLocation at = bindInfo_.LocateInStream(bindInfo_.InStreams[i]);
    slots_[at.coder]->inStreams[at.local] = ins[i];
  }
  for (uint32_t i = 0; i < bindInfo_.OutStreams.Count(); ++i) {
    StreamLocation at = bindInfo_.LocateOutStream(bindInfo_.OutStreams[i]);
    slots_[at.coder]->outStreams[at.local] = outs[i];
  }
  for (uint32_t i = 0; i < slots_.Count(); ++i) {
    const CoderSlot& slot = *slots_[i];
    for (uint32_t k = 0; k < slot.inCount; ++k) {
      if (!slot.inStreams[k]) FatalError("coder in-stream not connected");
    }
    for (uint32_t k = 0; k < slot.outCount; ++k) {
      if (!slot.outStreams[k]) FatalError("coder out-stream not connected");
    }
  }
}

void CoderMixer::RunSlot(CoderSlot& slot) {
  ItemVector<const uint32_t*> inSizePtrs;
  ItemVector<const uint32_t*> outSizePtrs;
  for (uint32_t i = 0; i < slot.inCount; ++i) {
    inSizePtrs.Add(slot.inSizeGiven[i] ? &slot.inSizes[i] : nullptr);
  }
  for (uint32_t i = 0; i < slot.outCount; ++i) {
    outSizePtrs.Add(slot.outSizeGiven[i] ? &slot.outSizes[i] : nullptr);
  }
  if (slot.simple) {
    slot.simple->Decode(slot.inStreams[0], slot.outStreams[0], inSizePtrs[0], outSizePtrs[0]);
  } else {
    slot.multi->Decode(slot.inStreams.Data(), inSizePtrs.Data(), slot.inCount,
                       slot.outStreams.Data(), outSizePtrs.Data(), slot.outCount);
  }
  slot.inStreams.Clear();
  slot.outStreams.Clear();
}

void CoderMixer::Decode(ReadStream** ins, const uint32_t* const*, uint32_t inCount,
                        WriteStream** outs, const uint32_t* const*, uint32_t outCount) {
  if (inCount != bindInfo_.InStreams.Count() || outCount != bindInfo_.OutStreams.Count()) {
    FatalError("stream counts differ from folder");
  }
  Bind(ins, outs);
  for (uint32_t i = 0; i < slots_.Count(); ++i) RunSlot(*slots_[i]);
}
