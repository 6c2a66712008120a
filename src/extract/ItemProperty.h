// What the extraction takes of an entry's record: its path as the file system spells it and the
// properties an entry may leave undefined.
#pragma once
#include <cstdint>

#include "platform/win32.h"
#include "support/WideString.h"

struct Archive;

struct ItemProperties {
  WideString Path;  // with backslashes
  bool IsDirectory = false;
  bool IsAnti = false;
  bool AttributesDefined = false;
  uint32_t Attributes = 0;
  bool LastWriteTimeDefined = false;
  FILETIME LastWriteTime = {};
};

ItemProperties GetItemProperties(const Archive& archive, uint32_t itemIndex);
