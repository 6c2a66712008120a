#include "extract/OutputFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixtures/FatalExpect.h"
#include "fixtures/TempDir.h"
#include "platform/testing/PosixTesting.h"

namespace {

// Each piece goes to the file at once, in one WriteFile, so the source may be reused as soon
// as Write returns; the file ends up with the pieces in order.
TEST(OutputFile, WritesEachPieceThroughAtOnce) {
  posix_testing::Reset();
  TempDir dir;
  OutputFile file;
  ASSERT_TRUE(file.TryCreate(WideString::FromAnsi((dir / "out.bin").c_str())));
  std::string source;
  for (const char* piece : {"ab", "cde", "f"}) {
    source = piece;
    const uint32_t writesBefore = posix_testing::CallCount(posix_testing::Api::WriteFile);
    file.Write(source.data(), uint32_t(source.size()));
    EXPECT_EQ(posix_testing::CallCount(posix_testing::Api::WriteFile) - writesBefore, 1u);
    source.assign(source.size(), '#');
  }
  CloseHandle(file.handle);
  EXPECT_EQ(ReadFileBytes(dir / "out.bin"), "abcdef");
  posix_testing::Reset();
}

// A piece that fails or is cut short ends the run, whichever piece of the file it is.
TEST(OutputFile, AFailedOrShortWriteEndsTheRun) {
  for (bool shortWrite : {false, true}) {
    posix_testing::Reset();
    TempDir dir;
    OutputFile file;
    ASSERT_TRUE(file.TryCreate(WideString::FromAnsi((dir / "out.bin").c_str())));
    file.Write("ab", 2);
    if (shortWrite) posix_testing::ShortenWrite(1);
    else posix_testing::FailCall(posix_testing::Api::WriteFile, 1);
    EXPECT_EQ(FatalReasonOf([&] { file.Write("cd", 2); }), "output file write failed")
        << shortWrite;
    CloseHandle(file.handle);
  }
  posix_testing::Reset();
}

}  // namespace
