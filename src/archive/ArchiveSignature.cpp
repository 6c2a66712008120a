#include "archive/ArchiveSignature.h"

// Zero in the image (and so without a file byte of its own); the bytes are written as single
// values by the code at start-up, never as six bytes in a row.
uint8_t ArchiveSignature[6];

void CompleteArchiveSignature() {
  ArchiveSignature[0] = 0x37;
  ArchiveSignature[1] = 0x7A;
  ArchiveSignature[2] = 0xBC;
  ArchiveSignature[3] = 0xAF;
  ArchiveSignature[4] = 0x27;
  ArchiveSignature[5] = 0x1C;
}
