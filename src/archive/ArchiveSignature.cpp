#include "archive/ArchiveSignature.h"

// Zero in the image (and so without a file byte of its own); the bytes are written one by one
// at start-up. The stores go through a volatile pointer: an optimiser would otherwise merge them
// into a copy of a six-byte constant, putting the signature back into the image.
uint8_t ArchiveSignature[6];

void CompleteArchiveSignature() {
  volatile uint8_t* signature = ArchiveSignature;
  signature[0] = 0x37;
  signature[1] = 0x7A;
  signature[2] = 0xBC;
  signature[3] = 0xAF;
  signature[4] = 0x27;
  signature[5] = 0x1C;
}
