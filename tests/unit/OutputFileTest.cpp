#include "extract/OutputFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixtures/TempDir.h"
#include "platform/testing/PosixTesting.h"

namespace {

// One step of feeding a file: bytes given whole (borrowed until Flush) or appended.
struct Step {
  bool whole;
  std::string bytes;
};

struct Case {
  const char* name;
  std::vector<Step> steps;
  std::string expected;
};

class OutputFileContent : public ::testing::TestWithParam<Case> {};

// Whole or in pieces, the file receives its content in order and in one write, and a source
// overwritten after a call that copies cannot change what is written.
TEST_P(OutputFileContent, ArrivesInOrderInOneWrite) {
  posix_testing::Reset();
  TempDir dir;
  OutputFile file;
  file.Create(WideString::FromAnsi((dir / "out.bin").c_str()));
  std::vector<std::string> sources;
  sources.reserve(GetParam().steps.size());
  for (const Step& step : GetParam().steps) {
    sources.push_back(step.bytes);
    std::string& source = sources.back();
    if (step.whole) {
      file.WriteWhole(source.data(), uint32_t(source.size()));
    } else {
      file.Write(source.data(), int32_t(source.size()));
      source.assign(source.size(), '#');  // the decoder reuses its block once Write returns
    }
  }
  const uint32_t writesBefore = posix_testing::CallCount(posix_testing::Api::WriteFile);
  file.Flush();
  EXPECT_EQ(posix_testing::CallCount(posix_testing::Api::WriteFile) - writesBefore, 1u);
  CloseHandle(file.handle);
  EXPECT_EQ(ReadFileBytes(dir / "out.bin"), GetParam().expected);
  posix_testing::Reset();
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, OutputFileContent,
    ::testing::Values(Case{"Nothing", {}, ""},
                      Case{"WholeAlone", {{true, "whole content"}}, "whole content"},
                      Case{"Pieces", {{false, "ab"}, {false, "cd"}, {false, "e"}}, "abcde"},
                      Case{"EmptyWhole", {{true, ""}}, ""},
                      Case{"EmptyPiece", {{false, ""}}, ""}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
