// The installer file: the stub's bytes, the archive's length (4 bytes, least significant
// first), the archive, and zero padding where the unpacker's signature scan needs it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "format/SignatureScan.h"

// Checks that the unpacker's signature scan gets past the stub to the archive behind it: the
// stub must be small enough for the scan and must not contain the signature itself. `what`
// names the stub in the PackError thrown otherwise.
void CheckScanGetsPast(const std::vector<uint8_t>& stub, const std::string& what);
// Zero bytes to append after an archive of archiveSize bytes so that the scan block holding
// the signature can be read whole.
uint64_t ScanPadding(uint64_t stubSize, uint64_t archiveSize);
