#include "archive/HeaderCursor.h"

#include "format/ByteOrder.h"
#include "format/NumberCodec.h"
#include "support/Fatal.h"

void HeaderCursor::PushBuffer(const uint8_t* data, uint32_t size) {
  HeaderReader reader;
  reader.Data = data;
  reader.Size = size;
  ReaderStack.Add(reader);
}

void HeaderCursor::PopBuffer() { ReaderStack.RemoveLast(); }

HeaderReader& HeaderCursor::Current() {
  if (ReaderStack.Count() == 0) FatalError(FailureReason::NoHeaderBuffer);
  return ReaderStack.Back();
}

uint8_t HeaderCursor::ReadByte() {
  uint8_t value;
  if (!Current().TryReadByte(value)) FatalError(FailureReason::HeaderTruncated);
  return value;
}

void HeaderCursor::ReadBytes(uint8_t* destination, uint32_t n) {
  if (Current().ReadAvailable(destination, n) != n) FatalError(FailureReason::HeaderTruncated);
}

uint32_t HeaderCursor::ReadUInt32() {
  uint8_t b[4];
  ReadBytes(b, 4);
  return GetLe32(b);
}

uint64_t HeaderCursor::ReadUInt64() {
  uint64_t low = ReadUInt32();
  return low | uint64_t(ReadUInt32()) << 32;
}

uint16_t HeaderCursor::ReadWideChar() {
  uint8_t low, high;
  HeaderReader& reader = Current();
  if (!reader.TryReadByte(low) || !reader.TryReadByte(high))
    FatalError(FailureReason::HeaderTruncated);
  return uint16_t(low | high << 8);
}

uint64_t HeaderCursor::ReadNumber() {
  uint8_t first = ReadByte();
  uint8_t extra[8];
  ReadBytes(extra, NumberExtraBytes(first));
  return DecodeNumber(first, extra);
}

uint32_t HeaderCursor::ReadNumber32() {
  uint64_t value = ReadNumber();
  if (value > UINT32_MAX) FatalError(FailureReason::NumberBeyond32Bits);
  return uint32_t(value);
}

void HeaderCursor::RequireBytes(uint64_t bytes, FailureReason reason) {
  if (bytes > Remaining()) FatalError(reason);
}

void HeaderCursor::SkipBytes(uint64_t n) {
  // Skipping past the end fails just as reading byte by byte would, without the loop.
  RequireBytes(n, FailureReason::HeaderTruncated);
  Current().Position += uint32_t(n);
}

void HeaderCursor::SkipData() { SkipBytes(ReadNumber()); }

void HeaderCursor::SkipToProperty(uint8_t id) {
  for (;;) {
    uint8_t type = ReadByte();
    if (type == id) return;
    if (type == kEnd) FatalError(FailureReason::MissingProperty);
    SkipData();
  }
}

void HeaderCursor::ReadBitVector(uint32_t n, ItemVector<bool>& vector) {
  RequireBytes((uint64_t(n) + 7) / 8, FailureReason::BitVectorBeyondHeader);
  vector.Clear();
  uint8_t byte = 0;
  uint8_t mask = 0;
  for (uint32_t i = 0; i < n; ++i) {
    if (mask == 0) {
      byte = ReadByte();
      mask = 0x80;
    }
    vector.Add((byte & mask) != 0);
    mask >>= 1;
  }
}

void HeaderCursor::ReadDefinedVector(uint32_t n, ItemVector<bool>& vector) {
  uint8_t allDefined = ReadByte();
  if (allDefined == 0) {
    ReadBitVector(n, vector);
    return;
  }
  vector.Clear();
  for (uint32_t i = 0; i < n; ++i) vector.Add(true);
}

void HeaderCursor::ReadDigests(uint32_t n, ItemVector<bool>& defined,
                                ItemVector<uint32_t>& values) {
  // At least a bit per item, and four bytes per defined one: checked before any list grows.
  if (uint64_t(n) > 8ull * Remaining()) FatalError(FailureReason::DigestCountBeyondHeader);
  ReadDefinedVector(n, defined);
  uint64_t definedCount = 0;
  for (uint32_t i = 0; i < n; ++i) definedCount += defined[i];
  RequireBytes(4 * definedCount, FailureReason::DigestCountBeyondHeader);
  values.Clear();
  for (uint32_t i = 0; i < n; ++i) values.Add(defined[i] ? ReadUInt32() : 0);
}
