// The unit tests' main: every test starts from the state a fresh process has, whatever ran
// before it in this process (the tests may run in any order, e.g. --gtest_shuffle).
#include <gtest/gtest.h>

#include "driver/FailedRunCleanUp.h"
#include "driver/RunState.h"
#include "platform/testing/PosixTesting.h"

namespace {

class FreshStateForEachTest : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    posix_testing::CloseLeftoverHandles();  // what a run ended by a redirected exit left open
    posix_testing::Reset();  // faults, records, stand-ins, the exit redirect
    ResetRunState();         // the run's globals and a new, empty output handle list
  }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  InstallFailedRunCleanUp();  // as the stub does at start-up
  ::testing::UnitTest::GetInstance()->listeners().Append(new FreshStateForEachTest);
  return RUN_ALL_TESTS();
}
