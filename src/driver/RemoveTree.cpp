#include "driver/RemoveTree.h"

#include "support/FileFinder.h"
#include "support/ItemVector.h"

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

// A file or directory that another program still holds (a console host, a virus scanner, an
// indexer) or one being deleted refuses with a sharing violation or access denied, and a
// directory whose last entries are still going is not empty: all of that may pass.
constexpr DWORD kRetryMilliseconds = 2000;  // all tries of one removal together
constexpr DWORD kRetryPause = 100;

static void NoteFailure(BOOL removed, bool& busy) {
  if (removed) return;
  DWORD error = GetLastError();
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
      error == ERROR_DIR_NOT_EMPTY)
    busy = true;
}

// Deletes the files of one directory and removes its links; the names of its subdirectories
// go to subdirectories. The search is closed on return, before any subdirectory is entered,
// so that a deep tree holds no more than one search open. Out of line: the search record
// stays off the frames of the recursion.
[[gnu::noinline]] static void ClearFiles(const WideString& prefix,
                                         ItemVector<WideString>& subdirectories, bool& busy) {
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
        NoteFailure(RemoveDirectoryA(path.ToAnsi()), busy);
      else
        subdirectories.Add(name);
    } else {
      // A read-only file of the tree is made writable first, never through a link: the
      // attributes of a link's target are not ours to change.
      if ((record.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
          FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path.ToAnsi(), FILE_ATTRIBUTE_NORMAL);
      NoteFailure(DeleteFileA(path.ToAnsi()), busy);
    }
  }
  finder.Close();
}

// One pass over the tree; busy tells whether something stayed that may go a moment later.
static void RemoveTreeBelow(const WideString& directory, bool& busy) {
  WideString prefix = WithTrailingBackslash(directory);
  ItemVector<WideString> subdirectories;
  ClearFiles(prefix, subdirectories, busy);
  for (uint32_t i = 0; i < subdirectories.Count(); ++i)
    RemoveTreeBelow(WideString::Concat(prefix, subdirectories[i]), busy);
  NoteFailure(RemoveDirectoryA(directory.ToAnsi()), busy);
}

void RemoveTree(const WideString& directory) {
  if (!IsRemovableTreeName(directory)) return;
  const DWORD start = GetTickCount();
  for (;;) {
    bool busy = false;
    WIN32_FIND_DATAA record;
    if (!FindPath(directory.ToAnsi(), &record)) {
      NoteFailure(FALSE, busy);  // gone, or a look refused for now
    } else if (record.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      // A link put where the directory was is removed as a link, never followed: its target
      // is not ours.
      RemoveDirectoryA(directory.ToAnsi());
      return;
    } else {
      RemoveTreeBelow(directory, busy);
    }
    if (!busy || GetTickCount() - start >= kRetryMilliseconds) return;
    Sleep(kRetryPause);
  }
}
