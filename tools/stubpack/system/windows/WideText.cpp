#include "system/windows/WideText.h"

std::wstring WidePath(const std::string& path) {
  if (path.empty()) return L"";
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(),
                                         int(path.size()), nullptr, 0);
  if (length <= 0) return L"";
  std::wstring wide(size_t(length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), int(path.size()), wide.data(),
                      length);
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  return wide;
}

bool Utf8FromWide(const wchar_t* text, size_t length, std::string& out) {
  out.clear();
  if (length == 0) return true;
  // WC_ERR_INVALID_CHARS: an unpaired surrogate fails the call instead of becoming U+FFFD.
  const int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, int(length), nullptr,
                                       0, nullptr, nullptr);
  if (size <= 0) return false;
  out.resize(size_t(size));
  WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, int(length), out.data(), size, nullptr,
                      nullptr);
  return true;
}

std::string ErrorText(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text;
  if (length == 0 || !Utf8FromWide(buffer, length, text)) text.clear();
  LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' ||
                           text.back() == '.'))
    text.pop_back();
  return text.empty() ? "error " + std::to_string(error) : text;
}
