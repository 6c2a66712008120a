#include "support/MemoryStream.h"

#include "support/Bytes.h"
#include "support/Fatal.h"

uint32_t MemoryStream::Read(void* data, uint32_t size) {
  uint32_t available = Bytes.Count() > ReadPosition ? Bytes.Count() - ReadPosition : 0;
  uint32_t n = size < available ? size : available;
  if (n) CopyBytes(data, Bytes.Data() + ReadPosition, n);
  ReadPosition += n;
  return n;
}

uint32_t MemoryStream::Write(const void* data, uint32_t size) {
  if (size > UINT32_MAX - WritePosition) FatalError(FailureReason::MemoryStreamTooLarge);
  Bytes.Resize(WritePosition + size);
  if (size) CopyBytes(Bytes.Data() + WritePosition, data, size);
  WritePosition += size;
  return size;
}
