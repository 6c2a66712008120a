// The failure path with a hook set, as stubpack runs the stub's code: no message box, the
// clean-up done, the hook called with the reason and message instead of the process ending.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "driver/ProgressWindow.h"
#include "driver/RunState.h"
#include "fixtures/TempDir.h"
#include "platform/testing/PosixTesting.h"
#include "support/Fatal.h"

namespace {

struct HookCall {
  int calls = 0;
  FailureReason reason = FailureReason::None;
  std::string message;
};
HookCall hooked;

// Back to the test through an exception: tests may throw, the product never does.
struct HookReturned {};
[[noreturn]] void RecordingHook(FailureReason reason, const char* message) {
  ++hooked.calls;
  hooked.reason = reason;
  hooked.message = message ? message : "(null)";
  throw HookReturned();
}

TEST(FatalError, HookedFailureCleansUpQuietlyAndHandsOverItsReason) {
  struct Row {
    const char* name;
    void (*fail)();
    FailureReason reason;
    const char* message;
  } rows[] = {
      {"FatalError", [] { FatalError(FailureReason::EntryCrcMismatch); },
       FailureReason::EntryCrcMismatch, "(null)"},
      {"ReportFatal",
       [] { ReportFatal("Can not open output file", FailureReason::OutputFileNotCreated); },
       FailureReason::OutputFileNotCreated, "Can not open output file"},
  };
  TempDir dir;
  for (const Row& row : rows) {
    posix_testing::Reset();
    ResetRunState();
    const uint32_t handlesBefore = posix_testing::OpenFileHandles();  // earlier tests' own
    HANDLE file = CreateFileA((dir / row.name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    AddOutputHandle(file);
    hooked = HookCall();
    SetFailureHook(RecordingHook);
    EXPECT_THROW(row.fail(), HookReturned) << row.name;
    SetFailureHook(nullptr);

    EXPECT_EQ(hooked.calls, 1) << row.name;
    EXPECT_EQ(hooked.reason, row.reason) << row.name;
    EXPECT_EQ(LastFatalReason(), row.reason) << row.name;
    EXPECT_EQ(hooked.message, row.message) << row.name;
    EXPECT_TRUE(posix_testing::MessageBoxes().empty()) << row.name;
    // The clean-up closed it.
    EXPECT_EQ(posix_testing::OpenFileHandles(), handlesBefore) << row.name;
    const auto calls = posix_testing::Calls();
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const std::string& c) { return c.rfind("ExitProcess", 0) == 0; }),
              0)
        << row.name;
  }
  posix_testing::Reset();
}

}  // namespace
