// Where an archive starts: the six bytes that begin every 7z archive, and how the stub scans its
// own file for them.
#pragma once
#include <array>
#include <cstdint>

constexpr uint32_t kSignatureSize = 6;

// Writes the signature to out. The bytes exist nowhere else as data: the stub scans its own
// file for them, so its image must never hold them in a row (the link checks it). They are
// stored one by one through a volatile pointer, which an optimiser cannot merge into a copy of
// a six-byte constant.
void WriteArchiveSignature(uint8_t* out);

// The signature as a value, for code that does not end up in the stub.
inline std::array<uint8_t, kSignatureSize> ArchiveSignatureBytes() {
  std::array<uint8_t, kSignatureSize> bytes;
  WriteArchiveSignature(bytes.data());
  return bytes;
}

// The scan: the signature is looked for at the start offset first, then in blocks of
// kScanBlock bytes, each holding the last kSignatureSize - 1 bytes of the one before, so
// that consecutive blocks begin kScanStep bytes apart. Every block is read whole. A block is
// read while its first offset lies within the search limit of the start.
constexpr uint32_t kScanBlock = 0x10000;
constexpr uint32_t kScanStep = kScanBlock - (kSignatureSize - 1);
// How far the stub's scan of its own file reaches (its search limit, from offset 0).
constexpr uint32_t kSignatureSearchLimit = 1u << 20;
// The last offset at which that scan can find the signature: 1,114,027.
constexpr uint32_t kScanReach = ((kSignatureSearchLimit - 1) / kScanStep + 1) * kScanStep;

// How many bytes of the file, from a scan begun at offset 0, are read when the signature is at
// signatureOffset: the file must be at least this long for the scan to find it.
constexpr uint64_t ScanEnd(uint64_t signatureOffset) {
  return signatureOffset == 0 ? kSignatureSize
                              : 1 + (signatureOffset - 1) / kScanStep * kScanStep + kScanBlock;
}
