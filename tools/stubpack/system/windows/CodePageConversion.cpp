#include "system/CodePageConversion.h"

#include "system/windows/WideText.h"

bool ConvertsExactly(unsigned codePage, const std::string& utf8) {
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                         int(utf8.size()), nullptr, 0);
  if (length <= 0) return utf8.empty();
  std::wstring wide(size_t(length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), int(utf8.size()), wide.data(),
                      length);
  // No best fit: a character the page lacks counts as missing, as the stub's conversion has it.
  BOOL usedDefault = FALSE;
  const int size = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), length,
                                       nullptr, 0, nullptr, &usedDefault);
  return size > 0 && !usedDefault;
}
