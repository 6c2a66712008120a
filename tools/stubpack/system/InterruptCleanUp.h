// The partial output removed when the run is interrupted: SIGINT, SIGTERM and SIGHUP on Linux;
// Ctrl+C, Ctrl+Break and a closed console on Windows. One file at a time.
#pragma once
#include <string>

void RemoveOnInterrupt(const std::string& path);
void ForgetOnInterrupt();
