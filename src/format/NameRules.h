// Rules on entry names that the stub and stubpack share: the stub refuses a name that could
// leave its output directory; stubpack refuses, before packing, what the stub would refuse or
// Windows would change. Names are runs of units (UTF-16 in the stub, UTF-8 bytes in stubpack);
// every rule looks at ASCII characters only.
#pragma once
#include <cstdint>

template <typename Unit>
bool IsPathSeparator(Unit c) {
  return c == '\\' || c == '/';
}

// The length of a name as Windows keeps it: it drops trailing dots and blanks.
template <typename Unit>
uint32_t WindowsNameLength(const Unit* name, uint32_t length) {
  while (length > 0 && (name[length - 1] == '.' || name[length - 1] == ' ')) --length;
  return length;
}

// Whether a path component names a device: up to its first dot and without trailing blanks,
// CON, PRN, AUX, NUL, COM1-9 or LPT1-9 in any case. Windows reserves them whatever the
// extension.
template <typename Unit>
bool IsDeviceName(const Unit* component, uint32_t length) {
  uint32_t end = 0;
  while (end < length && component[end] != '.') ++end;
  end = WindowsNameLength(component, end);
  if (end < 3 || end > 4) return false;
  char name[4] = {};
  for (uint32_t i = 0; i < end; ++i) {
    const Unit c = component[i];
    if (c < 0x20 || c > 0x7E) return false;
    name[i] = char(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  auto is = [&name](const char* word) {
    return name[0] == word[0] && name[1] == word[1] && name[2] == word[2];
  };
  if (end == 3) return is("CON") || is("PRN") || is("AUX") || is("NUL");
  return (is("COM") || is("LPT")) && name[3] >= '1' && name[3] <= '9';
}

// False for a path that could leave the output directory or name something other than a file:
// absolute or rooted (a leading separator), with a drive or stream (":"), an empty, "." or ".."
// component or what Windows reads as one (dots and blanks only), or a device name. A confined
// path never names the output directory itself.
template <typename Unit>
bool IsConfinedPath(const Unit* path, uint32_t length) {
  if (length == 0 || IsPathSeparator(path[0])) return false;
  for (uint32_t i = 0; i < length; ++i)
    if (path[i] == ':') return false;
  for (uint32_t begin = 0; begin <= length;) {
    uint32_t end = begin;
    while (end < length && !IsPathSeparator(path[end])) ++end;
    if (WindowsNameLength(path + begin, end - begin) == 0) return false;
    if (IsDeviceName(path + begin, end - begin)) return false;
    begin = end + 1;
  }
  return true;
}
