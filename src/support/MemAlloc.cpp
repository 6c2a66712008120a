#include "support/MemAlloc.h"

#include "platform/win32.h"
#include "support/Fatal.h"

void* MemAlloc(size_t size) {
  void* block = LocalAlloc(LMEM_FIXED, size ? size : 1);
  if (!block) FatalError(FailureReason::OutOfMemory);
  return block;
}

void MemFree(void* block) {
  if (block) LocalFree(block);
}
