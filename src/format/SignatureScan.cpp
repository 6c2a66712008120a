#include "format/SignatureScan.h"

void WriteArchiveSignature(uint8_t* out) {
  volatile uint8_t* signature = out;
  signature[0] = 0x37;
  signature[1] = 0x7A;
  signature[2] = 0xBC;
  signature[3] = 0xAF;
  signature[4] = 0x27;
  signature[5] = 0x1C;
}
