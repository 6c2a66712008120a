#include "system/DirectoryListing.h"

#include "system/windows/WideText.h"
#include "system/windows/WindowsStatus.h"

bool ListDirectory(const std::string& dir, std::vector<DirectoryItem>& items, std::string& error) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((WidePath(dir) + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    error = ErrorText(GetLastError());
    return false;
  }
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    DirectoryItem item;
    if (!Utf8FromWide(name.data(), name.size(), item.name)) {
      // No exact UTF-8 form: shown with its bad units replaced, and refused.
      item.name.clear();
      for (wchar_t c : name) item.name += c < 0x80 ? char(c) : '?';
      item.error = "its name holds an unpaired surrogate, which no installer can store";
    }
    StatusFromAttributes(found.dwFileAttributes, found.nFileSizeHigh, found.nFileSizeLow,
                         found.ftLastWriteTime, item.status);
    items.push_back(item);
  } while (FindNextFileW(search, &found));
  const DWORD code = GetLastError();
  FindClose(search);
  if (code != ERROR_NO_MORE_FILES) {
    error = ErrorText(code);
    return false;
  }
  return true;
}
