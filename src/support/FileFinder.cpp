#include "support/FileFinder.h"

#include "support/Bytes.h"

void FileFinder::Open(const char* pattern) {
  search_ = FindFirstFileA(pattern, &held_);
  recordHeld_ = search_ != INVALID_HANDLE_VALUE;
}

bool FileFinder::Next(WIN32_FIND_DATAA* out) {
  CopyBytes(out, &held_, sizeof held_);
  bool wasHeld = recordHeld_;
  if (search_ != INVALID_HANDLE_VALUE) recordHeld_ = FindNextFileA(search_, &held_) != 0;
  return wasHeld;
}

void FileFinder::Close() {
  if (search_ != INVALID_HANDLE_VALUE) FindClose(search_);
  search_ = INVALID_HANDLE_VALUE;
  recordHeld_ = false;
}

bool FindPath(const char* path, WIN32_FIND_DATAA* record) {
  FileFinder finder;
  finder.Open(path);
  bool found = finder.Next(record);
  finder.Close();
  return found;
}
