#include "system/ScratchDirectory.h"

#include "system/windows/WideText.h"

std::string MakeScratchDirectory(const std::string& prefix) {
  wchar_t base[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, base);
  if (length == 0 || length > MAX_PATH) return "";
  std::string temp;
  if (!Utf8FromWide(base, length, temp)) return "";
  // A name nobody has: CreateDirectoryW fails on any that exists, so a taken one is skipped.
  const uint64_t seed = GetTickCount64() ^ (uint64_t(GetCurrentProcessId()) << 32);
  for (uint32_t attempt = 0; attempt < 1000; ++attempt) {
    const std::string path = temp + prefix + std::to_string((seed + attempt * 7919u) % 1000000007u);
    if (CreateDirectoryW(WidePath(path).c_str(), nullptr)) return path;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return "";
  }
  return "";
}
