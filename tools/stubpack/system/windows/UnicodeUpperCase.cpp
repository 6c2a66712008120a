#include "system/UnicodeUpperCase.h"

#include <windows.h>

// The invariant locale's mapping, one UTF-16 unit in, one out: no language's special cases.
uint32_t SimpleUpperCase(uint32_t c) {
  if (c >= 0x10000) return c;
  wchar_t in = wchar_t(c), out = 0;
  if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, &in, 1, &out, 1, nullptr, nullptr,
                    0) != 1)
    return c;
  return out;
}
