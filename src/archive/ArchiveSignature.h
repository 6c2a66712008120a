// The six bytes that begin every 7z archive. The stub's image holds them with the first byte
// altered (0x38); CompleteArchiveSignature, run at start-up, restores 0x37, so a scan of the
// stub's own file can never stop inside the stub.
#pragma once
#include <cstdint>

extern uint8_t ArchiveSignature[6];
void CompleteArchiveSignature();
