// The six bytes that begin every 7z archive. The stub's image does not hold them in a row;
// CompleteArchiveSignature, run at start-up, writes them, so a scan of the stub's own file can
// never stop inside the stub.
#pragma once
#include <cstdint>

extern uint8_t ArchiveSignature[6];
void CompleteArchiveSignature();
