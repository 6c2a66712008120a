// Prints the start header's layout as a Python module (archive_layout.py), so that the Wine
// tests find an archive's header through the same statement of it as the stub and stubpack.
#include <cstdio>

#include "format/SignatureScan.h"
#include "format/StartHeader.h"

int main() {
  std::printf("SIGNATURE = b\"");
  for (uint8_t byte : ArchiveSignatureBytes()) std::printf("\\x%02x", byte);
  std::printf("\"\nSTART_HEADER_SIZE = %u\n", unsigned(kStartHeaderSize));
  std::printf("NEXT_HEADER_OFFSET_AT = %u\n", unsigned(kNextHeaderOffsetAt));
  std::printf("NEXT_HEADER_SIZE_AT = %u\n", unsigned(kNextHeaderSizeAt));
  return 0;
}
