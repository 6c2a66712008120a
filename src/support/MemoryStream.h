// A growable byte buffer that is both a ReadStream and a WriteStream: coder properties and
// decoded additional streams live in it.
#pragma once
#include <cstdint>

#include "support/ItemVector.h"
#include "support/Streams.h"

class MemoryStream final : public ReadStream, public WriteStream {
 public:
  uint32_t Read(void* data, uint32_t size) override;
  uint32_t Write(const void* data, uint32_t size) override;

  ItemVector<uint8_t> Bytes;
  uint32_t ReadPosition = 0;
  uint32_t WritePosition = 0;
};
