// The 32 bytes that begin an archive: the signature, the version, then where the header lies,
// with a CRC over that location. Built by stubpack and the tests' archive builder, parsed by
// the stub; the byte positions below are the one statement of the layout.
#pragma once
#include <cstdint>

constexpr uint32_t kStartHeaderSize = 32;
// Byte positions from the archive's first byte; every number is least significant byte first.
constexpr uint32_t kStartHeaderVersionAt = 6;       // major, minor
constexpr uint32_t kStartHeaderCrcAt = 8;           // CRC of the 20 bytes that follow it
constexpr uint32_t kNextHeaderOffsetAt = 12;        // header offset after these 32 bytes (8)
constexpr uint32_t kNextHeaderSizeAt = 20;          // header size (8)
constexpr uint32_t kNextHeaderCrcAt = 28;           // header CRC (4)

struct StartHeader {
  uint8_t Major = 0;
  uint8_t Minor = 4;
  uint64_t NextHeaderOffset = 0;
  uint64_t NextHeaderSize = 0;
  uint32_t NextHeaderCrc = 0;
};

// Writes the 32 bytes to out: the signature, the fields, and the CRC over the location.
void BuildStartHeader(const StartHeader& start, uint8_t* out);

// Reads the fields of the 32 bytes at bytes (the signature is not looked at: the scan found
// it). Returns false when the CRC over the location does not match.
bool ParseStartHeader(const uint8_t* bytes, StartHeader& start);
