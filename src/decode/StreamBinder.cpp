#include "decode/StreamBinder.h"

#include <cstring>

uint32_t StreamBinder::Read(void* data, uint32_t size) {
  uint32_t n = size < available_ ? size : available_;
  if (n == 0) return 0;
  std::memcpy(data, block_, n);
  block_ += n;
  available_ -= n;
  return n;
}

uint32_t StreamBinder::Write(const void* data, uint32_t size) {
  if (size > 0) {
    block_ = static_cast<const uint8_t*>(data);
    available_ = size;
  }
  return size;
}

void StreamBinder::Reset() {
  block_ = nullptr;
  available_ = 0;
}
