// Coder method ids, and the two this system decodes.
#pragma once
#include <cstdint>

// A coder's method id as the folder record gives it: Length bytes (the low four bits of the
// coder's flag byte).
struct MethodId {
  uint8_t Bytes[16] = {};
  uint32_t Length = 0;

  bool operator==(const MethodId& other) const;
};

inline constexpr MethodId MethodLzma = {{0x03, 0x01, 0x01}, 3};
inline constexpr MethodId MethodBcj2 = {{0x03, 0x03, 0x01, 0x1B}, 4};
