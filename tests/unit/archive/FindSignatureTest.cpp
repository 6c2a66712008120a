#include <gtest/gtest.h>

#include "archive/ArchiveSignature.h"
#include "archive/FindSignature.h"
#include "fixtures/CaseName.h"
#include "fixtures/FatalExpect.h"
#include "fixtures/HeaderBuilder.h"
#include "support/InputFile.h"

using fixture::Bytes;
using fixture::TempFile;

namespace {

const std::array<uint8_t, kSignatureSize> kSignature = ArchiveSignatureBytes();
const uint32_t kReach = 1114027;  // last offset a 1 MiB scan examines: 17 blocks of 65,531
static_assert(kReach == kScanReach);

// A file of `size` bytes (not a single signature byte sequence) with the signature at `at`.
Bytes WithSignatureAt(size_t size, int64_t at) {
  Bytes b(size);
  for (size_t i = 0; i < size; ++i) b[i] = uint8_t(i % 200 + 50);
  if (at >= 0) std::copy(kSignature.begin(), kSignature.end(), b.begin() + at);
  return b;
}

class FindSignatureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    posix_testing::Reset();
    CompleteArchiveSignature();
  }
  uint32_t Find(const Bytes& contents, uint32_t start, uint32_t limit) {
    temp_.reset(new TempFile(contents));
    file_.Open(WideString::FromAnsi(temp_->path().c_str()));
    file_.Seek(int32_t(start), FILE_BEGIN);
    return FindSignature(file_, limit);
  }
  std::unique_ptr<TempFile> temp_;
  InputFile file_;
};

TEST_F(FindSignatureTest, SignatureIsCompletedAtStartUp) {
  EXPECT_EQ(0, memcmp(ArchiveSignature, kSignature.data(), kSignatureSize));
}

struct FoundCase {
  const char* name;
  size_t fileSize;
  uint32_t start;
  uint32_t offsetFromStart;
  uint32_t limit;
  uint32_t systemReads;  // ReadFile calls: the 6-byte probe plus one per block
};
void PrintTo(const FoundCase& row, std::ostream* out) { *out << row.name; }

class FindSignatureFound : public FindSignatureTest,
                           public ::testing::WithParamInterface<FoundCase> {};

TEST_P(FindSignatureFound, ReturnsOffsetAndPositionsAfterIt) {
  const FoundCase& c = GetParam();
  uint32_t at = c.start + c.offsetFromStart;
  uint32_t found = Find(WithSignatureAt(c.fileSize, at), c.start, c.limit);
  EXPECT_EQ(found, at);
  EXPECT_EQ(file_.GetPosition(), int32_t(at + 6));
  EXPECT_EQ(posix_testing::CallCount(posix_testing::Api::ReadFile), c.systemReads);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, FindSignatureFound,
    ::testing::Values(FoundCase{"AtTheStartNoBlock", 100, 0, 0, 0, 1},
                      FoundCase{"LastOffsetOfBlock1", 70000, 0, 65531, 1 << 20, 2},
                      FoundCase{"Block1EndsAtEndOfFile", 65537, 0, 65531, 1 << 20, 2},
                      FoundCase{"FirstOffsetOfBlock2", 140000, 0, 65532, 1 << 20, 3},
                      FoundCase{"FromALaterStart", 140000, 1000, 65532, 1 << 20, 3},
                      FoundCase{"AtTheReach", kReach + 1000, 0, kReach, 1 << 20, 18},
                      FoundCase{"LimitOneSearchesTheFirstBlockOnly", 70000, 0, 65531, 1, 2}),
    CaseName());

TEST_F(FindSignatureTest, LimitZeroFailsBeforeReadingABlock) {
  // The file is too short for a block: a block read would end with "short read".
  EXPECT_EQ(FatalReasonOf([&] { Find(WithSignatureAt(1000, 500), 0, 0); }), "signature not found");
}

TEST_F(FindSignatureTest, NothingBeyondTheReach) {
  EXPECT_EQ(FatalReasonOf([&] { Find(WithSignatureAt(kReach + 70000, kReach + 1), 0, 1 << 20); }),
            "signature not found");
}

TEST_F(FindSignatureTest, BlockCountFollowsTheLimit) {
  // With limit 65,531 the second block's first offset (65,532) is beyond it.
  EXPECT_EQ(FatalReasonOf([&] { Find(WithSignatureAt(200000, 65532), 0, 65531); }),
            "signature not found");
  EXPECT_EQ(Find(WithSignatureAt(200000, 65532), 0, 65532), 65532u);
}

TEST_F(FindSignatureTest, ShortFinalBlockFailsEvenWithTheSignatureInIt) {
  EXPECT_EQ(FatalReasonOf([&] { Find(WithSignatureAt(60000, 100), 0, 1 << 20); }), "short read");
}

TEST_F(FindSignatureTest, SignatureAcrossBlockBoundaryIsFound) {
  // Starts at the last offset of block 1 + 1: its bytes straddle the two blocks' reads.
  uint32_t at = 65532 + 65531 - 3;
  EXPECT_EQ(Find(WithSignatureAt(300000, at), 0, 1 << 20), at);
}

}  // namespace
