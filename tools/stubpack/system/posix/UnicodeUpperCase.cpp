#include "system/UnicodeUpperCase.h"

#include <locale.h>
#include <wctype.h>

// glibc's C.UTF-8 locale gives exactly the simple mapping.
uint32_t SimpleUpperCase(uint32_t c) {
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  if (unicode == nullptr) return c;
  const wint_t upper = towupper_l(c, unicode);
  return upper < 0x10000 ? upper : c;
}
