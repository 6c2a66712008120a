#include "installer/InstallerLayout.h"

#include <algorithm>
#include <string>

#include "base/PackError.h"

void CheckScanGetsPast(const std::vector<uint8_t>& stub, const std::string& what) {
  if (stub.size() + 4 > kScanReach) {
    throw PackError("the stub " + what + " is too large: the installer finds its archive only " +
                    "within the first " + std::to_string(kScanReach) + " bytes");
  }
  const auto signature = ArchiveSignatureBytes();
  if (std::search(stub.begin(), stub.end(), signature.begin(), signature.end()) != stub.end()) {
    throw PackError("the stub " + what + " contains an archive signature; it would find that " +
                    "instead of its own archive");
  }
}

uint64_t ScanPadding(uint64_t stubSize, uint64_t archiveSize) {
  const uint64_t signatureAt = stubSize + 4;
  const uint64_t needed = ScanEnd(signatureAt);
  const uint64_t fileSize = signatureAt + archiveSize;
  return needed > fileSize ? needed - fileSize : 0;
}
