// The headers every PE image starts with, read in one place for all of stubpack: the MZ
// header's pointer to the "PE\0\0" signature, the COFF file header behind it, and the entries
// of the section table. What a caller demands beyond that (a known optional header, sections
// in order) is its own check.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

constexpr size_t kMzHeaderSize = 0x40;
constexpr size_t kMzPeOffsetField = 0x3C;  // e_lfanew: where the PE signature lies
constexpr size_t kPeFileHeaderSize = 24;  // the signature and the COFF file header
constexpr size_t kPeSectionEntrySize = 40;
constexpr uint16_t kPeMachineX86 = 0x014C;

// Offsets of optional header fields that PE32 and PE32+ share.
constexpr size_t kOptionalSizeOfImage = 56;
constexpr size_t kOptionalSizeOfHeaders = 60;
constexpr size_t kOptionalChecksum = 64;

// Section characteristics.
constexpr uint32_t kSectionContainsCode = 0x20;
constexpr uint32_t kSectionExecutable = 0x20000000;

struct PeFileHeader {
  size_t signatureOffset = 0;  // e_lfanew
  uint16_t machine = 0;
  uint16_t sectionCount = 0;
  uint16_t optionalHeaderSize = 0;

  size_t OptionalHeaderOffset() const { return signatureOffset + kPeFileHeaderSize; }
  size_t SectionTableOffset() const { return OptionalHeaderOffset() + optionalHeaderSize; }
};

struct PeSection {
  std::string name;
  uint32_t virtualSize = 0;
  uint32_t virtualAddress = 0;
  uint32_t rawSize = 0;
  uint32_t rawOffset = 0;
  uint32_t characteristics = 0;
};

// Where the PE signature lies: an MZ header whose e_lfanew points at "PE\0\0" inside the data.
std::optional<size_t> FindPeSignature(const uint8_t* data, size_t size);
// The COFF file header behind the signature; none without a signature or when the data ends
// inside the file header.
std::optional<PeFileHeader> ReadPeFileHeader(const uint8_t* data, size_t size);
// One entry of the section table (kPeSectionEntrySize bytes at `entry`).
PeSection ReadPeSection(const uint8_t* entry);
