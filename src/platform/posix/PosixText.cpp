// Text conversion (the ANSI code page is UTF-8 here) and local memory.
#include <malloc.h>

#include <cstdlib>
#include <cstring>

#include "platform/Utf8.h"
#include "platform/posix/PosixInternal.h"

using namespace posix_layer;

namespace {

const uint32_t kReplacement = 0xFFFD;

// The system's own paths (the program's file, TMPDIR, a directory given on the command line)
// are bytes on Linux and need not be UTF-8. A byte that is not part of a UTF-8 character is
// carried through UTF-16 as a low surrogate of its own, U+DC80 to U+DCFF, which no valid UTF-16
// text holds alone, and written back as that byte: such a path converts there and back to
// the same bytes. Entry names, which come in UTF-16, are refused with such a unit before they
// are converted (RefuseUnwritableItemPath).
const uint32_t kEscapedByteBase = 0xDC00;

bool IsEscapedByte(uint32_t unit) {
  return unit >= kEscapedByteBase + 0x80 && unit <= kEscapedByteBase + 0xFF;
}

}  // namespace

int WINAPI MultiByteToWideChar(UINT, DWORD flags, LPCSTR text, int bytes, LPWSTR units,
                               int unitCount) {
  if (!text || bytes == 0 || unitCount < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (bytes < 0) bytes = int(std::strlen(text)) + 1;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  int made = 0;
  for (int i = 0; i < bytes;) {
    uint32_t point;
    uint32_t length = DecodeUtf8(p + i, size_t(bytes - i), &point);
    if (point == kNotUtf8) {
      // As Windows does with the flag: text that is not UTF-8 is refused, not carried.
      if (flags & MB_ERR_INVALID_CHARS) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
      }
      point = kEscapedByteBase + p[i];  // this byte alone: the next one starts afresh
      length = 1;
    }
    i += int(length);
    WCHAR encoded[2];
    int needed = int(EncodeUtf16(point, encoded));
    if (unitCount != 0) {
      if (made + needed > unitCount) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
      }
      for (int k = 0; k < needed; ++k) units[made + k] = encoded[k];
    }
    made += needed;
  }
  return made;
}

UINT WINAPI GetACP() { return CP_UTF8; }

// As for a UTF-8 code page: flags other than WC_ERR_INVALID_CHARS and a usedDefault pointer are
// refused, and a lone surrogate becomes U+FFFD unless that flag makes it an error; a unit that
// carries a byte (see kEscapedByteBase) becomes that byte.
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
    } else if (point >= 0xD800 && point <= 0xDFFF && !IsEscapedByte(point)) {
      if (flags & WC_ERR_INVALID_CHARS) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
      }
      point = kReplacement;  // a lone surrogate
    }
    char encoded[4];
    int length = 1;
    if (IsEscapedByte(point)) encoded[0] = char(point - kEscapedByteBase);
    else length = int(EncodeUtf8(point, encoded));
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

