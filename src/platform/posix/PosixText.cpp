// Text conversion (the ANSI code page is UTF-8 here), local memory and OLE strings.
#include <malloc.h>

#include <cstdlib>
#include <cstring>

#include "platform/posix/PosixInternal.h"

using namespace posix_layer;

namespace {

const uint32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at p (n bytes left); returns its length, sets code point.
int DecodeUtf8(const unsigned char* p, int n, uint32_t* point) {
  unsigned char b = p[0];
  if (b < 0x80) {
    *point = b;
    return 1;
  }
  int length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
  if (length == 0 || b > 0xF4 || length > n) {
    *point = kReplacement;
    return 1;
  }
  uint32_t value = b & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    if ((p[i] & 0xC0) != 0x80) {
      *point = kReplacement;
      return i;
    }
    value = (value << 6) | (p[i] & 0x3F);
  }
  static const uint32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kMinimum[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
    value = kReplacement;
  *point = value;
  return length;
}

int EncodeUtf8(uint32_t point, char* out) {
  if (point < 0x80) {
    out[0] = char(point);
    return 1;
  }
  if (point < 0x800) {
    out[0] = char(0xC0 | (point >> 6));
    out[1] = char(0x80 | (point & 0x3F));
    return 2;
  }
  if (point < 0x10000) {
    out[0] = char(0xE0 | (point >> 12));
    out[1] = char(0x80 | ((point >> 6) & 0x3F));
    out[2] = char(0x80 | (point & 0x3F));
    return 3;
  }
  out[0] = char(0xF0 | (point >> 18));
  out[1] = char(0x80 | ((point >> 12) & 0x3F));
  out[2] = char(0x80 | ((point >> 6) & 0x3F));
  out[3] = char(0x80 | (point & 0x3F));
  return 4;
}

}  // namespace

int WINAPI MultiByteToWideChar(UINT, DWORD, LPCSTR text, int bytes, LPWSTR units, int unitCount) {
  if (!text || bytes == 0 || unitCount < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (bytes < 0) bytes = int(std::strlen(text)) + 1;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  int made = 0;
  for (int i = 0; i < bytes;) {
    uint32_t point;
    i += DecodeUtf8(p + i, bytes - i, &point);
    int needed = point >= 0x10000 ? 2 : 1;
    if (unitCount != 0) {
      if (made + needed > unitCount) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
      }
      if (needed == 2) {
        point -= 0x10000;
        units[made] = WCHAR(0xD800 + (point >> 10));
        units[made + 1] = WCHAR(0xDC00 + (point & 0x3FF));
      } else {
        units[made] = WCHAR(point);
      }
    }
    made += needed;
  }
  return made;
}

UINT WINAPI GetACP() { return CP_UTF8; }

// As for a UTF-8 code page: flags other than WC_ERR_INVALID_CHARS and a usedDefault pointer are
// refused, and a lone surrogate becomes U+FFFD unless that flag makes it an error.
int WINAPI WideCharToMultiByte(UINT, DWORD flags, LPCWSTR units, int unitCount, LPSTR text,
                               int bytes, LPCSTR defaultChar, BOOL* usedDefault) {
  if (!units || unitCount == 0 || bytes < 0 || usedDefault || defaultChar) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (flags & ~DWORD(WC_ERR_INVALID_CHARS)) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  if (unitCount < 0) {
    unitCount = 0;
    while (units[unitCount]) ++unitCount;
    ++unitCount;
  }
  int made = 0;
  for (int i = 0; i < unitCount; ++i) {
    uint32_t point = uint16_t(units[i]);
    if (point >= 0xD800 && point <= 0xDBFF && i + 1 < unitCount &&
        uint16_t(units[i + 1]) >= 0xDC00 && uint16_t(units[i + 1]) <= 0xDFFF) {
      point = 0x10000 + ((point - 0xD800) << 10) + (uint16_t(units[i + 1]) - 0xDC00);
      ++i;
    } else if (point >= 0xD800 && point <= 0xDFFF) {
      if (flags & WC_ERR_INVALID_CHARS) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
      }
      point = kReplacement;  // a lone surrogate
    }
    char encoded[4];
    int length = EncodeUtf8(point, encoded);
    if (bytes != 0) {
      if (made + length > bytes) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
      }
      std::memcpy(text + made, encoded, size_t(length));
    }
    made += length;
  }
  return made;
}

namespace {

// Large blocks come straight from the system and go back to it when freed, as with the Windows
// heap. The C library would otherwise raise that limit after the first large free and keep
// freed blocks of many megabytes in its heap, where they would add to the peak of a later
// folder's windows.
const bool kLargeBlocksFromSystem = mallopt(M_MMAP_THRESHOLD, 512 * 1024) != 0;

}  // namespace

HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes) {
  (void)kLargeBlocksFromSystem;
  bool refused = ShouldFail(Api::LocalAlloc);
  if constexpr (kSeams) refused = refused || !AllowAllocation(bytes);
  if (refused) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  void* block = (flags & 0x40) ? std::calloc(1, bytes) : std::malloc(bytes);  // LMEM_ZEROINIT
  if (!block) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  if constexpr (kSeams) NoteAllocation(block, bytes);
  return block;
}

HLOCAL WINAPI LocalFree(HLOCAL block) {
  if constexpr (kSeams) NoteFree(block);
  std::free(block);
  return nullptr;
}

BSTR WINAPI SysAllocString(const OLECHAR* text) {
  if (!text) return nullptr;
  if (ShouldFail(Api::SysAllocString)) return nullptr;
  uint32_t length = 0;
  while (text[length]) ++length;
  // A length prefix in bytes, then the units and their terminator, as OLE lays strings out.
  auto* block = static_cast<uint32_t*>(std::malloc(4 + (size_t(length) + 1) * sizeof(OLECHAR)));
  if (!block) return nullptr;
  block[0] = length * uint32_t(sizeof(OLECHAR));
  BSTR units = reinterpret_cast<BSTR>(block + 1);
  std::memcpy(units, text, (size_t(length) + 1) * sizeof(OLECHAR));
  return units;
}

void WINAPI SysFreeString(BSTR text) {
  if (text) std::free(reinterpret_cast<uint32_t*>(text) - 1);
}

HRESULT WINAPI VariantClear(VARIANTARG* value) {
  if (value->vt == VT_BSTR) SysFreeString(value->bstrVal);
  value->vt = VT_EMPTY;
  value->uhVal = 0;
  return S_OK;
}
