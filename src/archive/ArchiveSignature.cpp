#include "archive/ArchiveSignature.h"

// Held with 0x38 in place of the first byte until start-up completes it.
uint8_t ArchiveSignature[6] = {0x38, 0x7A, 0xBC, 0xAF, 0x27, 0x1C};

void CompleteArchiveSignature() { ArchiveSignature[0] = 0x37; }
