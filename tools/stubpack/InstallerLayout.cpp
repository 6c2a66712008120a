#include "InstallerLayout.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "PackError.h"

std::vector<uint8_t> LoadStub(const std::string& path) {
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw PackError("cannot read the stub " + path + ": " + std::strerror(errno));
  std::vector<uint8_t> stub((std::istreambuf_iterator<char>(in)),
                            std::istreambuf_iterator<char>());
  if (in.bad()) throw PackError("cannot read the stub " + path + ": " + std::strerror(errno));
  CheckStub(stub, path);
  return stub;
}

void CheckStub(const std::vector<uint8_t>& stub, const std::string& path) {
  if (stub.size() + 4 > kScanReach) {
    throw PackError("the stub " + path + " is too large: the installer finds its archive only " +
                    "within the first " + std::to_string(kScanReach) + " bytes");
  }
  const auto signature = ArchiveSignatureBytes();
  if (std::search(stub.begin(), stub.end(), signature.begin(), signature.end()) != stub.end()) {
    throw PackError("the stub " + path + " contains an archive signature; it would find that " +
                    "instead of its own archive");
  }
}

uint64_t ScanPadding(uint64_t stubSize, uint64_t archiveSize) {
  const uint64_t signatureAt = stubSize + 4;
  const uint64_t needed = ScanEnd(signatureAt);
  const uint64_t fileSize = signatureAt + archiveSize;
  return needed > fileSize ? needed - fileSize : 0;
}
