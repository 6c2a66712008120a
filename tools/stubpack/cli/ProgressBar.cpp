#include "cli/ProgressBar.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "system/Terminal.h"

ProgressBar::ProgressBar(uint64_t total, bool enabled)
    : total_(total), enabled_(enabled && StderrIsTerminal() && total > 0) {
  start_ = lastDraw_ = std::chrono::steady_clock::now();
}

ProgressBar::~ProgressBar() { Finish(); }

void ProgressBar::Advance(uint64_t bytes) {
  done_ = std::min(total_, done_ + bytes);
  if (enabled_) Draw();
}

void ProgressBar::Finish() {
  if (!enabled_) return;
  // The last state stays on screen, at 100 % when all the work was reported.
  lastPermille_ = -1;
  lastDraw_ = start_;
  Draw();
  std::fputc('\n', stderr);
  std::fflush(stderr);
  enabled_ = false;
}

void ProgressBar::Draw() {
  const auto now = std::chrono::steady_clock::now();
  const int permille = static_cast<int>(done_ * 1000 / total_);
  if (permille == lastPermille_ || now - lastDraw_ < std::chrono::milliseconds(100)) return;
  lastPermille_ = permille;
  lastDraw_ = now;
  constexpr int kWidth = 40;
  const int filled = permille * kWidth / 1000;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const double rate = seconds > 0 ? done_ / seconds / (1 << 20) : 0;
  std::fprintf(stderr, "\r[%s%s] %3d%% %6.2f MB/s", std::string(filled, '#').c_str(),
               std::string(kWidth - filled, '.').c_str(), permille / 10, rate);
  std::fflush(stderr);
}
