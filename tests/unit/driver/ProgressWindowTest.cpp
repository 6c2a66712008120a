#include <gtest/gtest.h>

#include <vector>

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

// The bar counts bytes: its range is the total, in units that keep it within 16 bits, and its
// position follows the bytes written, never moving back and full with the last byte.
TEST_F(ProgressWindow, BarCountsTheBytesOfTheTotal) {
  struct Row {
    uint64_t total;
    std::vector<uint32_t> written;  // 0: an entry begins
    int rangeEnd;                   // -1: no range is sent
    std::vector<int> positions;
  };
  const Row rows[] = {
      {10, {0, 3, 0, 0, 7}, 10, {3, 10}},
      {0xFFFF, {0, 0xFFFF}, 0xFFFF, {0xFFFF}},              // byte by byte up to 16 bits
      {0x10000, {1, 1, 0xFFFE}, 0x8000, {1, 0x8000}},       // then in units of 2 bytes
      {3ull << 31, {0xFFFFFFFF, 0x80000001}, 0xC000, {0x7FFF, 0xC000}},  // 6 GiB in all
      {0, {0, 0}, -1, {}},                                  // empty files only
  };
  for (const Row& row : rows) {
    posix_testing::Reset();
    ResetRunState();
    CreateProgressWindow(nullptr);
    kOutputHandleList.Expect(row.total);
    for (uint32_t bytes : row.written) kOutputHandleList.Advance(bytes);
    int range = -1;
    std::vector<int> positions;
    for (const auto& m : posix_testing::WindowMessages()) {
      EXPECT_EQ(m.window, progressBar);
      if (m.message == PBM_SETRANGE) {
        EXPECT_TRUE(positions.empty()) << row.total;
        EXPECT_EQ(m.lParam & 0xFFFF, 0) << row.total;
        range = int(uint32_t(m.lParam) >> 16);
      }
      if (m.message == PBM_SETPOS) positions.push_back(int(m.wParam));
    }
    EXPECT_EQ(range, row.rangeEnd) << row.total;
    EXPECT_EQ(positions, row.positions) << row.total;
  }
}

TEST_F(ProgressWindow, ClosingKeepsTheListAndClosesEveryHandle) {
  HandleList->Add(nullptr);
  HandleList->Add(nullptr);
  CloseOutputHandles();
  EXPECT_EQ(HandleList->Count(), 2u);
  EXPECT_EQ(posix_testing::CallCount(posix_testing::Api::CloseHandle), 2u);
}

}  // namespace
