// Recognises 32-bit x86 PE images (MZ header, PE signature at e_lfanew, machine 0x014C),
// the files that the BCJ2 branch converter pays off for.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "system/ReadableFile.h"

// A section that holds code: where it lies in the file and where it is loaded.
struct PeCodeSection {
  uint32_t fileOffset;
  uint32_t fileSize;
  uint32_t virtualAddress;
};

struct PeImageInfo {
  bool isX86 = false;
  uint32_t sizeOfImage = 0;  // from the optional header; 0 when absent
  std::vector<PeCodeSection> codeSections;
};

// Examines the first bytes of a file (as many as are available).
PeImageInfo InspectPeHeader(const uint8_t* data, size_t size);
// Reads what the header needs from the file; unreadable files throw PackError.
PeImageInfo InspectPeFile(const std::string& path);
// The same from an open file, read by position.
PeImageInfo InspectPeFile(const ReadableFile& file);
