#include <gtest/gtest.h>

#include "driver/ProgressWindow.h"
#include "driver/RunState.h"
#include "platform/testing/PosixTesting.h"

namespace {

class ProgressWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    posix_testing::Reset();
    ResetRunState();
  }
};

TEST_F(ProgressWindow, CentredCaptionedWindowFilledByItsBar) {
  posix_testing::SetDesktopSize(1001, 701);
  CreateProgressWindow(GetModuleHandleA(nullptr));
  auto windows = posix_testing::Windows();
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_EQ(windows[0].className, "Unpack");
  EXPECT_EQ(windows[0].title, "Unpack");
  EXPECT_EQ(windows[0].style, WS_CAPTION);
  EXPECT_EQ(windows[0].x, (1001 - 200) / 2);
  EXPECT_EQ(windows[0].y, (701 - 40) / 2);
  EXPECT_EQ(windows[0].width, 200);
  EXPECT_EQ(windows[0].height, 40);
  EXPECT_EQ(windows[0].showCommand, SW_SHOWNORMAL);
  EXPECT_EQ(windows[1].className, "msctls_progress32");
  EXPECT_EQ(windows[1].style, WS_CHILD);
  EXPECT_EQ(windows[1].parent, mainWindow);
  RECT client;
  GetClientRect(mainWindow, &client);
  EXPECT_EQ(windows[1].width, client.right);
  EXPECT_EQ(windows[1].height, client.bottom);
  EXPECT_EQ(windows[1].showCommand, SW_SHOWNORMAL);
  EXPECT_TRUE(posix_testing::WindowMessages().empty());  // no file, no message
}

// DPI aware: the window keeps its 96-DPI size in screen terms, still centred.
TEST_F(ProgressWindow, SizeFollowsTheScreenDpi) {
  posix_testing::SetDesktopSize(1920, 1080);
  posix_testing::SetSystemDpi(144);
  CreateProgressWindow(nullptr);
  auto windows = posix_testing::Windows();
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_EQ(windows[0].width, 300);
  EXPECT_EQ(windows[0].height, 60);
  EXPECT_EQ(windows[0].x, (1920 - 300) / 2);
  EXPECT_EQ(windows[0].y, (1080 - 60) / 2);
}

TEST_F(ProgressWindow, RangeDoublesWhenTheCountPassesIt) {
  CreateProgressWindow(nullptr);
  struct Row {
    int files, rangeEnd, position;
  };
  const Row rows[] = {{1, 2, 0}, {2, 2, 1}, {3, 6, 2}, {6, 6, 5}, {7, 14, 6}, {14, 14, 13},
                      {15, 30, 14}};
  int made = 0;
  for (const Row& row : rows) {
    int range = -1, position = -1;
    while (made < row.files) {
      AddOutputHandle(reinterpret_cast<HANDLE>(intptr_t(1000 + made)));
      ++made;
    }
    for (const auto& m : posix_testing::WindowMessages()) {
      EXPECT_EQ(m.window, progressBar);
      if (m.message == PBM_SETRANGE) range = int(uint32_t(m.lParam) >> 16);
      if (m.message == PBM_SETPOS) position = int(m.wParam);
    }
    EXPECT_EQ(range, row.rangeEnd) << row.files;
    EXPECT_EQ(position, row.position) << row.files;
  }
}

TEST_F(ProgressWindow, UpperBoundBeyondSixteenBitsIsSentTruncated) {
  CreateProgressWindow(nullptr);
  progressMaximum = 40000;  // as after 20,000 files
  for (uint32_t i = 0; i < 40000; ++i) HandleList->Add(nullptr);
  AddOutputHandle(nullptr);  // count 40001 passes the maximum: range 80002
  auto messages = posix_testing::WindowMessages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].message, PBM_SETRANGE);
  EXPECT_EQ(uint32_t(messages[0].lParam) >> 16, 80002u & 0xFFFF);
  EXPECT_EQ(progressMaximum, 80002);
  EXPECT_EQ(messages[1].wParam, 40000u);
}

TEST_F(ProgressWindow, ClosingKeepsTheListAndClosesEveryHandle) {
  HandleList->Add(nullptr);
  HandleList->Add(nullptr);
  CloseOutputHandles();
  EXPECT_EQ(HandleList->Count(), 2u);
  EXPECT_EQ(posix_testing::CallCount(posix_testing::Api::CloseHandle), 2u);
}

}  // namespace
