#include "format/SignatureScan.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "archive/ArchiveSignature.h"
#include "archive/FindSignature.h"
#include "fixtures/FatalExpect.h"
#include "fixtures/HeaderBuilder.h"
#include "support/InputFile.h"

namespace {

// The one place outside the format code that spells the bytes out: they are the definition.
TEST(SignatureScan, SignatureIsThe7zSignature) {
  const std::array<uint8_t, kSignatureSize> expected = {0x37, 0x7A, 0xBC, 0xAF, 0x27, 0x1C};
  EXPECT_EQ(ArchiveSignatureBytes(), expected);
}

// stubpack pads an installer to ScanEnd and `check` reports it: the stub's scan must find the
// signature in a file of exactly that length, and fail on one byte less.
TEST(SignatureScan, ScanEndIsWhereTheStubsScanStopsReading) {
  posix_testing::Reset();
  CompleteArchiveSignature();
  const auto signature = ArchiveSignatureBytes();
  for (uint32_t at : {0u, 1u, kScanStep, kScanStep + 1, 5 * kScanStep + 77, kScanReach}) {
    for (uint64_t size : {ScanEnd(at), ScanEnd(at) - 1}) {
      fixture::Bytes contents(size, 0x55);
      // One byte short of ScanEnd may cut the signature itself: only what fits is written.
      const size_t fits = size_t(std::min<uint64_t>(signature.size(), size - at));
      std::copy_n(signature.begin(), fits, contents.begin() + at);
      fixture::TempFile temp(contents);
      InputFile file;
      file.Open(WideString::FromAnsi(temp.path().c_str()));
      uint32_t found = 0;
      const std::string reason =
          FatalReasonOf([&] { found = FindSignature(file, kSignatureSearchLimit); });
      if (size == ScanEnd(at)) {
        EXPECT_EQ(reason, "") << at;
        EXPECT_EQ(found, at);
      } else {
        EXPECT_EQ(reason, "short read") << at;
      }
    }
  }
}

}  // namespace
