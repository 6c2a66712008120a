#include "archive/HeaderReader.h"

#include "support/Bytes.h"

bool HeaderReader::TryReadByte(uint8_t& value) {
  if (Position >= Size) return false;
  value = Data[Position++];
  return true;
}

uint32_t HeaderReader::ReadAvailable(uint8_t* destination, uint32_t n) {
  uint32_t copied = n < Remaining() ? n : Remaining();
  if (copied) CopyBytes(destination, Data + Position, copied);
  Position += copied;
  return copied;
}
