// Byte buffer with the 7z header encodings: variable-length numbers, little-endian integers
// and most-significant-first bit vectors.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class HeaderBuffer {
 public:
  void Byte(uint8_t value) { bytes_.push_back(value); }
  void Bytes(const std::vector<uint8_t>& data) {
    bytes_.insert(bytes_.end(), data.begin(), data.end());
  }
  void Number(uint64_t value);
  void UInt32(uint32_t value);
  void UInt64(uint64_t value);
  void BitVector(const std::vector<bool>& bits);
  const std::vector<uint8_t>& Data() const { return bytes_; }
  size_t Size() const { return bytes_.size(); }

 private:
  std::vector<uint8_t> bytes_;
};
