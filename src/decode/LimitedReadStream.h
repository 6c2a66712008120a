// Passes on at most a fixed number of bytes of an inner stream: a coder that reads past the
// end of its packed stream gets 0 bytes, never data of the stream that follows.
#pragma once
#include <cstdint>

#include "support/Streams.h"

class LimitedReadStream final : public ReadStream {
 public:
  LimitedReadStream(ReadStream* inner, uint32_t remaining) : inner_(inner), remaining_(remaining) {}
  uint32_t Read(void* data, uint32_t size) override;
  uint32_t Remaining() const { return remaining_; }

 private:
  ReadStream* inner_;
  uint32_t remaining_;
};
