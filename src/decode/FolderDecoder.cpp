#include "decode/FolderDecoder.h"

#include "decode/Bcj2Decoder.h"
#include "decode/BindInfo.h"
#include "decode/CoderMixer.h"
#include "decode/LimitedReadStream.h"
#include "decode/LzmaDecoder.h"
#include "format/MethodId.h"
#include "support/Fatal.h"
#include "support/MemAlloc.h"
#include "support/PackStreamReader.h"

namespace {

// Stream counts and numbers are kept in 32 bits; larger values are refused rather than cut.
uint32_t Narrow(uint64_t value) {
  if (value > UINT32_MAX) FatalError(FailureReason::FolderStreamNumberBeyond32Bits);
  return uint32_t(value);
}

}  // namespace

FolderDecoder::~FolderDecoder() { Release(); }

void FolderDecoder::Release() {
  Delete(mixer_);
  mixer_ = nullptr;
  for (uint32_t i = 0; i < decoders_.Count(); ++i) Delete(decoders_[i]);
  for (uint32_t i = 0; i < limitedReaders_.Count(); ++i) Delete(limitedReaders_[i]);
  for (uint32_t i = 0; i < packReaders_.Count(); ++i) Delete(packReaders_[i]);
  decoders_.Clear();
  limitedReaders_.Clear();
  packReaders_.Clear();
}

void FolderDecoder::DecodeFolder(InputFile& file, uint32_t packStart, const uint32_t* packSizes,
                                 const Folder& folder, WriteStream* out) {
  Release();
  // Nothing to decode and no output: refused before anything is set up for it.
  if (folder.Coders.Count() == 0) FatalError(FailureReason::FolderWithoutCoders);

  // Each packed stream is read through a limit of its packed size.
  ItemVector<ReadStream*> ins;
  uint32_t position = packStart;
  for (uint32_t i = 0; i < folder.PackedStreams.Count(); ++i) {
    packReaders_.Add(New<PackStreamReader>(file, position));
    limitedReaders_.Add(New<LimitedReadStream>(packReaders_.Back(), packSizes[i]));
    ins.Add(limitedReaders_.Back());
    if (packSizes[i] > UINT32_MAX - position) FatalError(FailureReason::PackedStreamBeyond4GiB);
    position += packSizes[i];
  }

  BindInfo bindInfo;
  for (uint32_t j = 0; j < folder.BindPairs.Count(); ++j) {
    StreamBond bond;
    bond.inIndex = Narrow(folder.BindPairs[j].InIndex);
    bond.outIndex = Narrow(folder.BindPairs[j].OutIndex);
    bindInfo.BindPairs.Add(bond);
  }
  uint32_t outStreamNumber = 0;
  for (uint32_t c = 0; c < folder.Coders.Count(); ++c) {
    CoderStreamCounts counts;
    counts.inCount = Narrow(folder.Coders[c].NumInStreams);
    counts.outCount = Narrow(folder.Coders[c].NumOutStreams);
    bindInfo.Coders.Add(counts);
    for (uint32_t k = 0; k < counts.outCount; ++k, ++outStreamNumber) {
      if (folder.FindOutBindPair(outStreamNumber) < 0) bindInfo.OutStreams.Add(outStreamNumber);
    }
  }
  for (uint32_t i = 0; i < folder.PackedStreams.Count(); ++i) {
    bindInfo.InStreams.Add(Narrow(folder.PackedStreams[i]));
  }

  mixer_ = New<CoderMixer>(bindInfo);

  for (uint32_t c = 0; c < folder.Coders.Count(); ++c) {
    const CoderInfo& info = folder.Coders[c];
    Decoder* coder;
    if (info.NumInStreams == 1 && info.NumOutStreams == 1) {
      if (!(info.Method == MethodLzma)) FatalError(FailureReason::UnsupportedSingleStreamMethod);
      coder = New<LzmaDecoder>();
    } else {
      if (!(info.Method == MethodBcj2)) FatalError(FailureReason::UnsupportedMultiStreamMethod);
      coder = New<Bcj2Decoder>();
    }
    decoders_.Add(coder);
    mixer_->AddDecoder(coder);
  }

  uint32_t firstIn = 0;
  uint32_t firstOut = 0;
  for (uint32_t c = 0; c < folder.Coders.Count(); ++c) {
    const CoderInfo& info = folder.Coders[c];
    if (info.Properties.Bytes.Count() != 0) {
      // A copy, so the properties are read from their first byte whatever was read before.
      MemoryStream properties = info.Properties;
      properties.ReadPosition = 0;
      decoders_[c]->SetProperties(&properties);
    }
    const CoderStreamCounts& counts = bindInfo.Coders[c];
    ItemVector<uint32_t> outSizes;
    for (uint32_t k = 0; k < counts.outCount; ++k) {
      uint32_t g = firstOut + k;
      if (g >= folder.UnpackSizes.Count()) FatalError(FailureReason::OutStreamWithoutUnpackSize);
      outSizes.Add(folder.UnpackSizes[g]);
    }
    ItemVector<uint32_t> inSizes;
    for (uint32_t k = 0; k < counts.inCount; ++k) {
      uint32_t g = firstIn + k;
      int32_t pair = folder.FindInBindPair(g);
      int32_t packed = pair < 0 ? folder.FindPackedStream(g) : -1;
      if (pair >= 0) {
        uint32_t producer = bindInfo.BindPairs[uint32_t(pair)].outIndex;
        if (producer >= folder.UnpackSizes.Count())
          FatalError(FailureReason::BoundStreamWithoutSize);
        inSizes.Add(folder.UnpackSizes[producer]);
      } else if (packed >= 0) {
        inSizes.Add(packSizes[packed]);
      } else {
        FatalError(FailureReason::InStreamNeitherBoundNorPacked);
      }
    }
    ItemVector<const uint32_t*> inSizePtrs;
    ItemVector<const uint32_t*> outSizePtrs;
    for (uint32_t k = 0; k < inSizes.Count(); ++k) inSizePtrs.Add(&inSizes[k]);
    for (uint32_t k = 0; k < outSizes.Count(); ++k) outSizePtrs.Add(&outSizes[k]);
    mixer_->SetCoderSizes(c, inSizePtrs.Data(), outSizePtrs.Data());
    firstIn += counts.inCount;
    firstOut += counts.outCount;
  }

  mixer_->Decode(ins.Data(), ins.Count(), out);

  // Free the coders' state now rather than at the next folder.
  Release();
}

void DecodeFolder(InputFile& file, uint32_t packStart, const uint32_t* packSizes,
                  const Folder& folder, WriteStream* out) {
  FolderDecoder decoder;
  decoder.DecodeFolder(file, packStart, packSizes, folder, out);
}
