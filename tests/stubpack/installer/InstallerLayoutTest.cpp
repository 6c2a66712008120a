#include "installer/InstallerLayout.h"

#include <gtest/gtest.h>

#include "base/PackError.h"
#include "installer/StubFile.h"
#include "stubpack/TestFiles.h"

namespace {

// The unpacker's scan, as its rules describe it: a block must be read whole.
bool ScanFinds(uint64_t signatureAt, uint64_t fileSize) {
  if (signatureAt == 0) return fileSize >= 6;
  const uint64_t block = (signatureAt - 1) / kScanStep;
  if (1 + block * kScanStep > (1u << 20)) return false;
  return 1 + block * kScanStep + kScanBlock <= fileSize;
}

TEST(InstallerLayout, PadsSoThatTheScanBlockWithTheSignatureIsWhole) {
  const uint64_t stubs[] = {0, 100, 65526, 65527, 65528, 131061, 300000, kScanReach - 4};
  for (uint64_t stub : stubs) {
    for (uint64_t archive : {32ull, 1000ull, 70000ull, 200000ull}) {
      const uint64_t padding = ScanPadding(stub, archive);
      EXPECT_TRUE(ScanFinds(stub + 4, stub + 4 + archive + padding)) << stub << " " << archive;
      if (padding > 0) {
        EXPECT_FALSE(ScanFinds(stub + 4, stub + 4 + archive + padding - 1));
      }
    }
  }
  EXPECT_EQ(ScanPadding(0, 200000), 0u);
}

TEST(InstallerLayout, RefusesStubsTheScanCannotGetPast) {
  const std::string stub("MZ....8z\xBC\xAF\x27\x1C...", 16);
  EXPECT_NO_THROW(CheckScanGetsPast(std::vector<uint8_t>(stub.begin(), stub.end()), "stub"));
  const std::string signature = std::string(stub).replace(6, 1, "\x37");
  EXPECT_THROW(CheckScanGetsPast(std::vector<uint8_t>(signature.begin(), signature.end()), "stub"),
               PackError);
  EXPECT_NO_THROW(CheckScanGetsPast(std::vector<uint8_t>(kScanReach - 4, 0), "stub"));
  EXPECT_THROW(CheckScanGetsPast(std::vector<uint8_t>(kScanReach - 3, 0), "stub"), PackError);
  TempDir dir;
  EXPECT_THROW(ReadStubFile(dir.Path() + "/missing"), PackError);
}

}  // namespace
