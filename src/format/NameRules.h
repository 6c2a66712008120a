// Rules on entry names that the stub and stubpack share: the stub refuses a name that could
// leave its output directory; stubpack refuses, before packing, what the stub would refuse or
// Windows would change. Names are runs of units (UTF-16 in the stub, UTF-8 bytes in stubpack);
// every rule looks at ASCII characters only, but for the superscript digits of device names.
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

// The length of a superscript one, two or three (U+00B9, U+00B2, U+00B3) at the start of a
// name: one unit of UTF-16 (the stub's names), two bytes of UTF-8 (stubpack's names); 0 when
// the name does not start with one.
template <typename Unit>
uint32_t SuperscriptDigitLength(const Unit* name, uint32_t length) {
  auto isSuperscript = [](Unit c) { return c == Unit(0xB9) || c == Unit(0xB2) || c == Unit(0xB3); };
  if (sizeof(Unit) == 1)
    return length >= 2 && name[0] == Unit(0xC2) && isSuperscript(name[1]) ? 2 : 0;
  return length >= 1 && isSuperscript(name[0]) ? 1 : 0;
}

// Whether a path component names a device: up to its first dot and without trailing blanks,
// CON, PRN, AUX, NUL, CONIN$, CONOUT$, or COM or LPT with a digit 1-9 or a superscript 1-3,
// in any case. Windows reserves them whatever the extension.
template <typename Unit>
bool IsDeviceName(const Unit* component, uint32_t length) {
  uint32_t end = 0;
  while (end < length && component[end] != '.') ++end;
  end = WindowsNameLength(component, end);
  if (end < 3 || end > 7) return false;
  char name[8] = {};
  for (uint32_t i = 0; i < end; ++i) {
    const Unit c = component[i];
    name[i] = c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c > 0x20 && c < 0x7F ? char(c) : '?';
  }
  auto is = [&name](const char* word) {
    for (uint32_t i = 0; word[i] != 0; ++i)
      if (name[i] != word[i]) return false;
    return true;
  };
  if (end == 3) return is("CON") || is("PRN") || is("AUX") || is("NUL");
  if (end == 6 || end == 7) return end == 6 ? is("CONIN$") : is("CONOUT$");
  if (!is("COM") && !is("LPT")) return false;
  if (end == 4 && name[3] >= '1' && name[3] <= '9') return true;
  return SuperscriptDigitLength(component + 3, end - 3) == end - 3;
}

// What writing an entry at a path would do: create a file or directory inside the output
// directory (Confined), or reach outside it or name the directory itself (absolute or rooted,
// with a leading separator; with a drive or stream, ":"; with an empty, "." or ".." component
// or what Windows reads as one, dots and blanks only), or open a device.
enum class PathVerdict : uint8_t { Confined, LeavesDirectory, NamesDevice };

template <typename Unit>
PathVerdict JudgePath(const Unit* path, uint32_t length) {
  if (length == 0 || IsPathSeparator(path[0])) return PathVerdict::LeavesDirectory;
  for (uint32_t i = 0; i < length; ++i)
    if (path[i] == ':') return PathVerdict::LeavesDirectory;
  for (uint32_t begin = 0; begin <= length;) {
    uint32_t end = begin;
    while (end < length && !IsPathSeparator(path[end])) ++end;
    if (WindowsNameLength(path + begin, end - begin) == 0) return PathVerdict::LeavesDirectory;
    if (IsDeviceName(path + begin, end - begin)) return PathVerdict::NamesDevice;
    begin = end + 1;
  }
  return PathVerdict::Confined;
}

// False for a path that could leave the output directory or name something other than a file
// (JudgePath). A confined path never names the output directory itself.
template <typename Unit>
bool IsConfinedPath(const Unit* path, uint32_t length) {
  return JudgePath(path, length) == PathVerdict::Confined;
}
