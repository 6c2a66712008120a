// The layout of a PE image (PE32 or PE32+) as far as rewriting its resources needs it: the
// header fields that describe the image, the data directories and the section table. Reading
// checks what the rewrite relies on and throws PackError with the reason otherwise.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "format/ByteOrder.h"
#include "pe/PeHeaders.h"

struct PeDataDirectory {
  uint32_t address = 0;  // an RVA, but a file offset for the certificate table
  uint32_t size = 0;
};

enum PeDirectory : size_t { kImportDirectory = 1, kResourceDirectory = 2,
                            kCertificateTable = 4, kBaseRelocations = 5 };

struct PeLayout {
  bool pe32Plus = false;
  size_t optionalHeaderOffset = 0;
  size_t sectionTableOffset = 0;
  uint32_t sectionAlignment = 0;
  uint32_t fileAlignment = 0;
  uint32_t sizeOfImage = 0;
  uint32_t sizeOfHeaders = 0;
  uint32_t checksum = 0;
  std::vector<PeDataDirectory> directories;
  std::vector<PeSection> sections;  // in table order, which is address order

  // Where the image's sections end in the file: anything after it is appended data.
  uint32_t ImageFileEnd() const;
  // The section holding an RVA, or null.
  const PeSection* SectionAt(uint32_t rva) const;
  // The file offset of size bytes at an RVA; throws PackError unless they lie in one section.
  size_t FileOffset(uint32_t rva, uint32_t size) const;
  PeDataDirectory Directory(size_t index) const;

  // Offsets of header fields, for rewriting them.
  size_t ChecksumOffset() const { return optionalHeaderOffset + kOptionalChecksum; }
  size_t SizeOfImageOffset() const { return optionalHeaderOffset + kOptionalSizeOfImage; }
  size_t SizeOfInitializedDataOffset() const { return optionalHeaderOffset + 8; }
  size_t DirectoryOffset(size_t index) const;
};

// Reads and checks the headers: MZ and PE signatures, a known optional header, sections in
// address order that neither overlap in memory nor in the file, all inside the file, and a
// SizeOfImage that covers them exactly. `what` names the file in messages.
PeLayout ReadPeLayout(const std::vector<uint8_t>& image, const std::string& what);

// The header checksum of a PE file: the 16-bit one's complement sum of its little-endian words
// (the checksum field counted as zero) plus the file's length. Fed in pieces, in file order.
class PeChecksum {
 public:
  explicit PeChecksum(uint64_t checksumOffset) : checksumOffset_(checksumOffset) {}
  void Add(const uint8_t* data, size_t size);
  uint32_t Value() const;

 private:
  uint64_t checksumOffset_;
  uint64_t position_ = 0;
  uint64_t sum_ = 0;
};
// Where the checksum of a PE image lies; none for anything else (the Linux stub, say).
std::optional<size_t> PeChecksumOffset(const std::vector<uint8_t>& image);
uint32_t PeChecksumOf(const std::vector<uint8_t>& file, size_t checksumOffset);

uint32_t AlignUp(uint32_t value, uint32_t alignment);
