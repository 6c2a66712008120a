// Passes on at most a fixed number of bytes of an inner stream: a coder that reads past the
// end of its packed stream gets 0 bytes, never data of the stream that follows.
#pragma once
#include <cstdint>

#include "support/Streams.h"

class LimitedReadStream final : public ReadStream {
 public:
  LimitedReadStream(ReadStream* inner, uint32_t remaining) : inner_(inner), remaining_(remaining) {}
  // Defined in the class: a file that defined only this class's virtual function and
  // referred to nothing else made the mingw linker warn on every LTO link of the stub
  // ("no symbol for section '__ZTV17LimitedReadStream'"), a warning that means nothing.
  uint32_t Read(void* data, uint32_t size) override {
    const uint32_t n = size < remaining_ ? size : remaining_;
    if (n == 0) return 0;
    const uint32_t got = inner_->Read(data, n);
    remaining_ -= got;
    return got;
  }
  uint32_t Remaining() const { return remaining_; }

 private:
  ReadStream* inner_;
  uint32_t remaining_;
};
