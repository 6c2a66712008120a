#include <gtest/gtest.h>

#include "fixtures/CaseName.h"
#include "fixtures/FatalExpect.h"
#include "fixtures/HeaderBuilder.h"
#include "support/InputFile.h"
#include "support/PackStreamReader.h"

using fixture::Bytes;
using fixture::TempFile;
using posix_testing::Api;
using posix_testing::CallCount;

namespace {

Bytes Pattern(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = uint8_t(i * 7 + i / 251);
  return b;
}

class InputFileTest : public ::testing::Test {
 protected:
  void SetUp() override { posix_testing::Reset(); }
  void TearDown() override { posix_testing::Reset(); }
  void OpenOn(const TempFile& temp) { file_.Open(WideString::FromAnsi(temp.path().c_str())); }
  InputFile file_;
};

struct ReadCase {
  const char* name;
  size_t fileSize;
  uint32_t position;
  uint32_t n;
  uint32_t systemReads;  // ReadFile calls made by the read
};
void PrintTo(const ReadCase& row, std::ostream* out) { *out << row.name; }

class InputFileReadPath : public InputFileTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(InputFileReadPath, DeliversBytesThroughTheRightPath) {
  const ReadCase& c = GetParam();
  Bytes data = Pattern(c.fileSize);
  TempFile temp(data);
  OpenOn(temp);
  // Prime the cache at the position: a cached read of at most 4096 bytes that fits in it
  // makes no further system call; a larger one goes to the file every time.
  uint8_t probe;
  file_.Seek(int32_t(c.position), 0);
  file_.Read(&probe, 1);
  uint32_t before = CallCount(Api::ReadFile);
  Bytes out(c.n);
  file_.Seek(int32_t(c.position), 0);
  file_.Read(out.data(), c.n);
  EXPECT_EQ(CallCount(Api::ReadFile) - before, c.systemReads);
  EXPECT_EQ(Bytes(data.begin() + c.position, data.begin() + c.position + c.n), out);
  EXPECT_EQ(file_.GetPosition(), int32_t(c.position + c.n));
}

INSTANTIATE_TEST_SUITE_P(
    CacheBoundary, InputFileReadPath,
    ::testing::Values(ReadCase{"ExactlyTheCacheIsCached", 10000, 0, 4096, 0},
                      ReadCase{"OneMoreIsDirect", 10000, 0, 4097, 1},
                      ReadCase{"WholeWindowFromALaterPosition", 10000, 100, 4096, 0},
                      ReadCase{"CachedEndingAtEndOfFile", 4096, 0, 4096, 0},
                      ReadCase{"DirectEndingAtEndOfFile", 5000, 5000 - 4097, 4097, 1},
                      ReadCase{"LastByte", 5000, 4999, 1, 0}),
    CaseName());

TEST_F(InputFileTest, CachedReadRefillsOnlyWhenLeavingTheWindow) {
  Bytes data = Pattern(20000);
  TempFile temp(data);
  OpenOn(temp);
  uint8_t b[16];
  file_.ReadAt(1000, b, 16);
  uint32_t after = CallCount(Api::ReadFile);
  file_.ReadAt(1000 + 4096 - 16, b, 16);  // last bytes of the window
  EXPECT_EQ(CallCount(Api::ReadFile), after);
  file_.ReadAt(999, b, 1);  // before the window
  EXPECT_EQ(CallCount(Api::ReadFile), after + 1);
  EXPECT_EQ(file_.CacheStart, 999u);
  EXPECT_EQ(b[0], data[999]);
}

TEST_F(InputFileTest, DirectReadLeavesCacheAlone) {
  TempFile temp(Pattern(10000));
  OpenOn(temp);
  uint8_t b[8];
  file_.ReadAt(0, b, 8);
  Bytes big(5000);
  file_.ReadAt(10, big.data(), 5000);
  EXPECT_EQ(file_.CacheStart, 0u);
  EXPECT_EQ(file_.CacheCount, 4096u);
}

struct ShortCase {
  const char* name;
  size_t fileSize;
  uint32_t position;
  uint32_t n;
};
void PrintTo(const ShortCase& row, std::ostream* out) { *out << row.name; }
class InputFileShortRead : public InputFileTest, public ::testing::WithParamInterface<ShortCase> {};

TEST_P(InputFileShortRead, EndsTheRun) {
  const ShortCase& c = GetParam();
  TempFile temp(Pattern(c.fileSize));
  OpenOn(temp);
  Bytes out(c.n);
  EXPECT_EQ(FatalReasonOf([&] { file_.ReadAt(c.position, out.data(), c.n); }), "short read");
}

INSTANTIATE_TEST_SUITE_P(PastEnd, InputFileShortRead,
                         ::testing::Values(ShortCase{"CachedOneShort", 4095, 0, 4096},
                                           ShortCase{"CachedSomeExist", 100, 90, 11},
                                           ShortCase{"Direct", 5000, 1000, 4097},
                                           ShortCase{"WhollyPastTheEnd", 100, 200, 1}),
                         CaseName());

TEST_F(InputFileTest, NegativePositionEndsTheRun) {
  TempFile temp(Pattern(100));
  OpenOn(temp);
  uint8_t b;
  file_.Seek(-1, FILE_BEGIN);
  EXPECT_EQ(FatalReasonOf([&] { file_.Read(&b, 1); }), "read before start of file");
}

TEST_F(InputFileTest, SeekOrigins) {
  TempFile temp(Pattern(777));
  OpenOn(temp);
  file_.Seek(10, FILE_BEGIN);
  EXPECT_EQ(file_.GetPosition(), 10);
  file_.Seek(5, FILE_CURRENT);
  EXPECT_EQ(file_.GetPosition(), 15);
  file_.Seek(-3, FILE_CURRENT);
  EXPECT_EQ(file_.GetPosition(), 12);
  uint32_t calls = CallCount(Api::SetFilePointer);
  file_.Seek(0, FILE_END);
  EXPECT_EQ(file_.GetPosition(), 777);
  file_.Seek(-7, FILE_END);
  EXPECT_EQ(file_.GetPosition(), 770);
  EXPECT_EQ(CallCount(Api::SetFilePointer), calls + 2);
  file_.Seek(123, 3);  // unknown origin: no change
  EXPECT_EQ(file_.GetPosition(), 770);
}

TEST_F(InputFileTest, OpenFailureReportsIt) {
  InputFile file;
  EXPECT_EQ(FatalReasonOf([&] { file.Open(WideString::FromAnsi("/nonexistent/stubkit/x")); }),
            "open input file");
  bool boxed = false;
  for (const auto& box : posix_testing::MessageBoxes())
    boxed |= box.text == "Can not open input file" && box.caption == "Unpacker";
  EXPECT_TRUE(boxed);
}

TEST_F(InputFileTest, PackStreamReadersReadAlternately) {
  Bytes data = Pattern(30000);
  TempFile temp(data);
  OpenOn(temp);
  PackStreamReader a(file_, 10);
  PackStreamReader b(file_, 20000);
  Bytes gotA, gotB;
  for (int i = 0; i < 50; ++i) {
    uint8_t x[3];
    a.Read(x, 3);
    gotA.insert(gotA.end(), x, x + 3);
    ASSERT_EQ(b.Read(x, 1), 1u);
    gotB.push_back(x[0]);
  }
  EXPECT_EQ(gotA, Bytes(data.begin() + 10, data.begin() + 160));
  EXPECT_EQ(gotB, Bytes(data.begin() + 20000, data.begin() + 20050));
  EXPECT_EQ(a.Position, 160u);
}

}  // namespace
