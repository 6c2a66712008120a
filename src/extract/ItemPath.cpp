#include "extract/ItemPath.h"

#include "format/NameRules.h"

void SplitItemPath(const WideString& path, ItemVector<WideString>& components) {
  components.Clear();
  uint32_t n = path.Length();
  if (n == 0) return;
  WideString current;
  for (uint32_t i = 0; i <= n; ++i) {
    WCHAR c = path.CharAt(i);
    if (c == 0 || IsPathSeparator(c)) {
      components.Add(current);
      current = WideString();
    } else {
      current.AppendUnit(c);
    }
  }
}

bool IsConfinedItemPath(const WideString& path) {
  return IsConfinedPath(path.Units(), path.Length());
}
