#include "driver/InstallerMain.h"

const char* CommandLineTail(const char* commandLine) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(commandLine);
  if (*p == '"') {
    ++p;
    while (*p != 0 && *p != '"') ++p;
    if (*p == 0) return reinterpret_cast<const char*>(p);
    ++p;
  } else if (*p > 0x20) {
    while (*p > 0x20) ++p;
  }
  while (*p >= 0x01 && *p <= 0x1F) ++p;
  return reinterpret_cast<const char*>(p);
}
