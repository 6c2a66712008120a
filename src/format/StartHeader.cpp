#include "format/StartHeader.h"

#include "format/ByteOrder.h"
#include "format/SignatureScan.h"
#include "support/Crc32.h"

static const uint32_t kLocationSize = kStartHeaderSize - kNextHeaderOffsetAt;

void BuildStartHeader(const StartHeader& start, uint8_t* out) {
  WriteArchiveSignature(out);
  out[kStartHeaderVersionAt] = start.Major;
  out[kStartHeaderVersionAt + 1] = start.Minor;
  PutLe64(out + kNextHeaderOffsetAt, start.NextHeaderOffset);
  PutLe64(out + kNextHeaderSizeAt, start.NextHeaderSize);
  PutLe32(out + kNextHeaderCrcAt, start.NextHeaderCrc);
  PutLe32(out + kStartHeaderCrcAt, Crc32(out + kNextHeaderOffsetAt, kLocationSize, 0));
}

bool ParseStartHeader(const uint8_t* bytes, StartHeader& start) {
  start.Major = bytes[kStartHeaderVersionAt];
  start.Minor = bytes[kStartHeaderVersionAt + 1];
  start.NextHeaderOffset = GetLe64(bytes + kNextHeaderOffsetAt);
  start.NextHeaderSize = GetLe64(bytes + kNextHeaderSizeAt);
  start.NextHeaderCrc = GetLe32(bytes + kNextHeaderCrcAt);
  return Crc32(bytes + kNextHeaderOffsetAt, kLocationSize, 0) ==
         GetLe32(bytes + kStartHeaderCrcAt);
}
