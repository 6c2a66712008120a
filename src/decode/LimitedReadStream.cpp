#include "decode/LimitedReadStream.h"

uint32_t LimitedReadStream::Read(void* data, uint32_t size) {
  uint32_t n = size < remaining_ ? size : remaining_;
  if (n == 0) return 0;
  uint32_t got = inner_->Read(data, n);
  remaining_ -= got;
  return got;
}
