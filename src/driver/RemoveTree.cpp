#include "driver/RemoveTree.h"

#include "support/FileFinder.h"

static bool IsSeparator(WCHAR c) { return c == '\\' || c == '/'; }

bool IsRemovableTreeName(const WideString& directory) {
  uint32_t n = directory.Length();
  uint32_t i = 0;
  // The root: "X:\" on Windows, or "/" elsewhere; never a relative name or a lone separator.
  if (n >= 3 && directory.CharAt(1) == ':' && IsSeparator(directory.CharAt(2))) {
    i = 3;
  } else if (n >= 1 && directory.CharAt(0) == '/') {
    i = 1;
  } else {
    return false;
  }
  uint32_t components = 0;
  while (i < n) {
    uint32_t start = i;
    while (i < n && !IsSeparator(directory.CharAt(i))) ++i;
    uint32_t length = i - start;
    if (length == 0 && i < n) return false;  // doubled separator: "\\server" or "a\\b"
    bool dots = length > 0 && length <= 2 && directory.CharAt(start) == '.' &&
                (length == 1 || directory.CharAt(start + 1) == '.');
    if (dots) return false;
    if (length) ++components;
    ++i;
  }
  return components > 0;
}

static void RemoveTreeBelow(const WideString& directory) {
  WideString prefix = WithTrailingBackslash(directory);
  WideString pattern = prefix;
  pattern.AppendUnit('*');
  FileFinder finder;
  finder.Open(pattern.ToAnsi());
  const WideString dot = WideString::FromAnsi(".");
  const WideString dotDot = WideString::FromAnsi("..");
  WIN32_FIND_DATAA record;
  while (finder.Next(&record)) {
    WideString name = WideString::FromAnsi(record.cFileName);
    WideString path = WideString::Concat(prefix, name);
    if (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (name.Compare(dot) == 0 || name.Compare(dotDot) == 0) continue;
      // A directory link or junction is removed as a link: its target is not ours.
      if (record.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        RemoveDirectoryA(path.ToAnsi());
      else
        RemoveTreeBelow(path);
    } else {
      // A read-only file of the tree is made writable first, never through a link: the
      // attributes of a link's target are not ours to change.
      if ((record.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
          FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path.ToAnsi(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(path.ToAnsi());
    }
  }
  finder.Close();
  RemoveDirectoryA(directory.ToAnsi());
}

void RemoveTree(const WideString& directory) {
  if (!IsRemovableTreeName(directory)) return;
  // A link put where the directory was is removed as a link, never followed: its target is
  // not ours.
  WIN32_FIND_DATAA record;
  if (!FindPath(directory.ToAnsi(), &record)) return;
  if (record.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    RemoveDirectoryA(directory.ToAnsi());
    return;
  }
  RemoveTreeBelow(directory);
}
