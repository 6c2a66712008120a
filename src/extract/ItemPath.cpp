#include "extract/ItemPath.h"

static bool IsSeparator(WCHAR c) { return c == '\\' || c == '/'; }

void SplitItemPath(const WideString& path, ItemVector<WideString>& components) {
  components.Clear();
  uint32_t n = path.Length();
  if (n == 0) return;
  WideString current;
  for (uint32_t i = 0; i <= n; ++i) {
    WCHAR c = path.CharAt(i);
    if (c == 0 || IsSeparator(c)) {
      components.Add(current);
      current = WideString();
    } else {
      current.AppendUnit(c);
    }
  }
}

static WCHAR Upper(WCHAR c) { return (c >= 'a' && c <= 'z') ? WCHAR(c - 'a' + 'A') : c; }

// Whether the component, up to its first dot and without trailing blanks, is a device name.
static bool IsDeviceName(const WideString& component) {
  uint32_t end = 0;
  while (end < component.Length() && component.CharAt(end) != '.') ++end;
  while (end > 0 && component.CharAt(end - 1) == ' ') --end;
  WCHAR name[5] = {};
  if (end < 3 || end > 4) return false;
  for (uint32_t i = 0; i < end; ++i) name[i] = Upper(component.CharAt(i));
  auto is = [&](const char* word) {
    for (uint32_t i = 0; i < 3; ++i)
      if (name[i] != WCHAR(word[i])) return false;
    return true;
  };
  if (end == 3) return is("CON") || is("PRN") || is("AUX") || is("NUL");
  return (is("COM") || is("LPT")) && name[3] >= '1' && name[3] <= '9';
}

// "", "." and "..", and what Windows reads as one of them (it drops trailing dots and blanks):
// a component of dots and blanks only names the directory it is in, or the one above.
static bool IsDirectoryReference(const WideString& component) {
  for (uint32_t i = 0; i < component.Length(); ++i) {
    WCHAR c = component.CharAt(i);
    if (c != '.' && c != ' ') return false;
  }
  return true;
}

bool IsConfinedItemPath(const WideString& path) {
  if (path.Length() == 0 || IsSeparator(path.CharAt(0))) return false;
  for (uint32_t i = 0; i < path.Length(); ++i)
    if (path.CharAt(i) == ':') return false;
  ItemVector<WideString> components;
  SplitItemPath(path, components);
  for (uint32_t i = 0; i < components.Count(); ++i) {
    if (IsDirectoryReference(components[i])) return false;
    if (IsDeviceName(components[i])) return false;
  }
  return true;
}
