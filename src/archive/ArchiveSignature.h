// The stub's copy of the archive signature. The image holds zeros here; CompleteArchiveSignature,
// run at start-up, writes the bytes, so a scan of the stub's own file can never stop inside the
// stub.
#pragma once
#include <cstdint>

#include "format/SignatureScan.h"

extern uint8_t ArchiveSignature[kSignatureSize];
void CompleteArchiveSignature();
