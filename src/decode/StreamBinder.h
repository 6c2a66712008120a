// Hands one coder's output to another coder's input without a copy: the producer's single
// Write only records where its bytes are, and the consumer reads them straight from there.
// The producer must write its whole output in one call, from storage that stays unchanged
// until the consumer has run; a later Write replaces the block.
#pragma once
#include <cstdint>

#include "decode/Streams.h"

class StreamBinder final : public ReadStream, public WriteStream {
 public:
  // Consumer face.
  uint32_t Read(void* data, uint32_t size) override;
  // Producer face.
  uint32_t Write(const void* data, uint32_t size) override;
  // Forgets any block.
  void Reset();
  uint32_t Available() const { return available_; }

 private:
  const uint8_t* block_ = nullptr;
  uint32_t available_ = 0;
};
