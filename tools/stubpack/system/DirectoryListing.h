// The entries of one directory with what the tool needs of each, read without following links.
#pragma once
#include <string>
#include <vector>

#include "system/FileStatus.h"

struct DirectoryItem {
  std::string name;   // UTF-8 on Windows (converted exactly); the bytes on Linux
  FileStatus status;  // kLink for a symbolic link or a Windows reparse point
  std::string error;  // why the item could not be examined; empty when it could
};

// The items of dir, without "." and "..", in no particular order; false with error set when
// the directory cannot be read.
bool ListDirectory(const std::string& dir, std::vector<DirectoryItem>& items, std::string& error);
