#include "pack/HeaderBuffer.h"

#include "format/ByteOrder.h"
#include "format/NumberCodec.h"

void HeaderBuffer::Number(uint64_t value) {
  uint8_t bytes[kMaxNumberSize];
  bytes_.insert(bytes_.end(), bytes, bytes + EncodeNumber(value, bytes));
}

void HeaderBuffer::UInt32(uint32_t value) {
  uint8_t bytes[4];
  PutLe32(bytes, value);
  bytes_.insert(bytes_.end(), bytes, bytes + 4);
}

void HeaderBuffer::UInt64(uint64_t value) {
  uint8_t bytes[8];
  PutLe64(bytes, value);
  bytes_.insert(bytes_.end(), bytes, bytes + 8);
}

void HeaderBuffer::BitVector(const std::vector<bool>& bits) {
  uint8_t current = 0;
  uint8_t mask = 0x80;
  for (bool bit : bits) {
    if (bit) current |= mask;
    mask >>= 1;
    if (mask == 0) {
      Byte(current);
      current = 0;
      mask = 0x80;
    }
  }
  if (mask != 0x80) Byte(current);
}
