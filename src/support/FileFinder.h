// Directory search iterator that stays one record ahead of its caller.
#pragma once
#include "platform/win32.h"

class FileFinder {
 public:
  FileFinder() = default;
  FileFinder(const FileFinder&) = delete;
  FileFinder& operator=(const FileFinder&) = delete;

  void Open(const char* pattern);
  // Copies the held record to out; returns whether it was valid, then fetches the next one.
  bool Next(WIN32_FIND_DATAA* out);
  void Close();

 private:
  HANDLE search_ = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAA held_;
  bool recordHeld_ = false;
};

// Looks one path up: true, with its record, when something stands there.
bool FindPath(const char* path, WIN32_FIND_DATAA* record);
