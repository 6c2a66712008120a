#include "archive/FindSignature.h"

#include "archive/ArchiveSignature.h"
#include "format/SignatureScan.h"
#include "support/Bytes.h"
#include "support/Fatal.h"
#include "support/InputFile.h"
#include "support/MemAlloc.h"

namespace {
const uint32_t kKept = kSignatureSize - 1;  // bytes carried into the next block
}  // namespace

uint32_t FindSignature(InputFile& file, uint32_t limit) {
  uint32_t start = uint32_t(file.GetPosition());
  uint8_t head[kSignatureSize];
  file.Seek(int32_t(start), FILE_BEGIN);
  file.Read(head, kSignatureSize);
  if (CompareBytes(head, ArchiveSignature, kSignatureSize) == 0) return start;

  uint32_t candidate = start + 1;  // file offset of block byte 0
  if (candidate - start > limit) FatalError(FailureReason::SignatureNotFound);
  uint8_t* block = static_cast<uint8_t*>(MemAlloc(kScanBlock));
  CopyBytes(block, head + 1, kKept);
  for (;;) {
    // Every block is read whole: a file that ends inside it ends the run.
    file.Read(block + kKept, kScanStep);
    for (uint32_t i = 0; i < kScanStep; ++i, ++candidate) {
      if (block[i] == ArchiveSignature[0] &&
          CompareBytes(block + i, ArchiveSignature, kSignatureSize) == 0) {
        MemFree(block);
        file.Seek(int32_t(candidate + kSignatureSize), FILE_BEGIN);
        return candidate;
      }
    }
    CopyBytes(block, block + kScanStep, kKept);
    if (candidate - start > limit) FatalError(FailureReason::SignatureNotFound);
  }
}
