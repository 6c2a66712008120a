#include "archive/FindSignature.h"

#include "archive/ArchiveSignature.h"
#include "archive/InputFile.h"
#include "support/AnsiString.h"
#include "support/Fatal.h"
#include "support/MemAlloc.h"

namespace {
const uint32_t kBlockSize = 0x10000;
const uint32_t kKept = 5;                        // bytes carried into the next block
const uint32_t kPositions = kBlockSize - kKept;  // 65,531 offsets examined per block
}  // namespace

uint32_t FindSignature(InputFile& file, uint32_t limit) {
  uint32_t start = uint32_t(file.GetPosition());
  uint8_t head[6];
  file.Seek(int32_t(start), 0);
  file.Read(head, 6);
  if (CompareBytes(head, ArchiveSignature, 6) == 0) return start;

  uint32_t candidate = start + 1;  // file offset of block byte 0
  if (candidate - start > limit) FatalError(FailureReason::SignatureNotFound);
  uint8_t* block = static_cast<uint8_t*>(MemAlloc(kBlockSize));
  CopyBytes(block, head + 1, kKept);
  for (;;) {
    // Every block is read whole: a file that ends inside it ends the run.
    file.Read(block + kKept, kBlockSize - kKept);
    for (uint32_t i = 0; i < kPositions; ++i, ++candidate) {
      if (block[i] == ArchiveSignature[0] && CompareBytes(block + i, ArchiveSignature, 6) == 0) {
        MemFree(block);
        file.Seek(int32_t(candidate + 6), 0);
        return candidate;
      }
    }
    CopyBytes(block, block + kPositions, kKept);
    if (candidate - start > limit) FatalError(FailureReason::SignatureNotFound);
  }
}
