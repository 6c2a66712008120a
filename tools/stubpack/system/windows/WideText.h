// UTF-8 paths and texts of the tool as the wide strings of the Windows API, both ways exactly,
// and the system's words for an error code. Shared by the Windows side of the layer.
#pragma once
#include <windows.h>

#include <string>

// path in UTF-8 as a wide path with backslashes; empty when it is not UTF-8.
std::wstring WidePath(const std::string& path);
// The wide text in UTF-8; false when it holds an unpaired surrogate (no exact form).
bool Utf8FromWide(const wchar_t* text, size_t length, std::string& out);
// What the system says of error (GetLastError's value), in UTF-8, without the line end.
std::string ErrorText(DWORD error);
// Windows' 64-bit FILETIME in one number.
inline uint64_t FileTimeValue(const FILETIME& time) {
  return (uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}
