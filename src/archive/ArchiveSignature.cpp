#include "archive/ArchiveSignature.h"

#include "format/SignatureScan.h"

// Zero in the image (and so without a file byte of its own); written at start-up.
uint8_t ArchiveSignature[kSignatureSize];

void CompleteArchiveSignature() { WriteArchiveSignature(ArchiveSignature); }
