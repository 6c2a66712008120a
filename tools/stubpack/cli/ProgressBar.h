// A one-line progress bar on stderr, drawn only when stderr is a terminal.
#pragma once
#include <chrono>
#include <cstdint>

class ProgressBar {
 public:
  ProgressBar(uint64_t total, bool enabled);
  ~ProgressBar();
  void Advance(uint64_t bytes);
  // Draws the final state and ends the line; called once the work is done.
  void Finish();

 private:
  void Draw();

  uint64_t total_;
  uint64_t done_ = 0;
  bool enabled_;
  int lastPermille_ = -1;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_;
};
