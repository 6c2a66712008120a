// The end of a thread that must never return nor be unwound, and the end of the process when
// no thread may wait.
#pragma once

// Sleeps until the process ends, taking no signal or event meant for the other threads.
[[noreturn]] void ParkThisThread();
// Writes text to stderr and ends the process with exit code 2 at once.
[[noreturn]] void EndProcessNow(const char* text);
