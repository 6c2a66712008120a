#include "support/WideString.h"

#include "support/AnsiString.h"
#include "support/Bytes.h"
#include "support/Fatal.h"
#include "support/MemAlloc.h"

static const WCHAR kNoUnits[1] = {0};

WideString::WideString(const WCHAR* units) {
  if (!units) return;
  uint32_t n = 0;
  while (units[n]) ++n;
  Reserve(n + 1);
  CopyBytes(units_, units, n * sizeof(WCHAR));
  length_ = n;
  units_[n] = 0;
}

WideString::WideString(const WideString& other) { *this = other; }

WideString& WideString::operator=(const WideString& other) {
  if (this == &other) return *this;
  DropAnsi();
  length_ = 0;
  if (other.length_) {
    Reserve(other.length_ + 1);
    CopyBytes(units_, other.units_, (other.length_ + 1) * sizeof(WCHAR));
    length_ = other.length_;
  } else if (units_) {
    units_[0] = 0;
  }
  return *this;
}

WideString::~WideString() {
  DropAnsi();
  MemFree(units_);
}

WideString WideString::FromAnsi(const char* text) {
  WideString result;
  if (!text) return result;
  uint32_t n = AnsiLength(text);
  result.Reserve(n + 1);
  int made = MultiByteToWideChar(CP_ACP, 0, text, int(n + 1), result.units_, int(n + 1));
  result.length_ = made > 0 ? uint32_t(made - 1) : 0;
  result.units_[result.length_] = 0;
  return result;
}

WideString WideString::Concat(const WideString& a, const WideString& b) {
  WideString result(a);
  result.Append(b);
  return result;
}

const WCHAR* WideString::Units() const { return units_ ? units_ : kNoUnits; }

WCHAR WideString::CharAt(uint32_t index) const {
  if (index > length_) FatalError(FailureReason::StringIndexOutOfRange);
  return Units()[index];
}

void WideString::Append(const WideString& other) {
  if (other.length_ == 0) return;
  DropAnsi();
  uint32_t added = other.length_;  // `other` may be this string
  if (length_ + added < length_) FatalError(FailureReason::StringTooLong);
  Reserve(length_ + added + 1);
  CopyBytes(units_ + length_, other.units_, added * sizeof(WCHAR));
  length_ += added;
  units_[length_] = 0;
}

void WideString::AppendUnit(WCHAR unit) {
  DropAnsi();
  Reserve(length_ + 2);
  units_[length_++] = unit;
  units_[length_] = 0;
}

void WideString::Replace(WCHAR from, WCHAR to) {
  DropAnsi();
  for (uint32_t i = 0; i < length_; ++i)
    if (units_[i] == from) units_[i] = to;
}

int WideString::Compare(const WideString& other) const {
  const WCHAR* a = Units();
  const WCHAR* b = other.Units();
  for (;; ++a, ++b) {
    uint16_t x = uint16_t(*a), y = uint16_t(*b);
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
}

const char* WideString::ToAnsi() const {
  if (ansi_) return ansi_;
  int m = int(length_ + 1);
  // Exactly or not at all: a unit without a character of its own in the code page would
  // become a look-alike (a fullwidth solidus a '/') or the default character, and the file
  // system would act on another name than the one checked. A UTF-8 code page holds every
  // valid string and refuses a lone surrogate; it takes neither the flag nor the check.
  bool utf8 = GetACP() == CP_UTF8;
  DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  int size = WideCharToMultiByte(CP_ACP, flags, Units(), m, nullptr, 0, nullptr,
                                 utf8 ? nullptr : &usedDefault);
  if (size <= 0 || usedDefault) FatalError(FailureReason::NameNotRepresentable);
  ansi_ = static_cast<char*>(MemAlloc(size_t(size)));
  WideCharToMultiByte(CP_ACP, flags, Units(), m, ansi_, size, nullptr, nullptr);
  return ansi_;
}

void WideString::Reserve(uint32_t units) {
  if (units <= capacity_) return;
  uint64_t grown = 2ull * capacity_ + 2;
  if (grown < units) grown = units;
  if (grown > 0x7FFFFFFF) FatalError(FailureReason::StringTooLong);
  WCHAR* bigger = static_cast<WCHAR*>(MemAlloc(size_t(grown) * sizeof(WCHAR)));
  if (units_) {
    CopyBytes(bigger, units_, (length_ + 1) * sizeof(WCHAR));
    MemFree(units_);
  } else {
    bigger[0] = 0;
  }
  units_ = bigger;
  capacity_ = uint32_t(grown);
}

void WideString::DropAnsi() const {
  MemFree(ansi_);
  ansi_ = nullptr;
}

WideString WithTrailingBackslash(const WideString& path) {
  WideString result(path);
  if (path.Length() == 0 || path.CharAt(path.Length() - 1) != '\\') result.AppendUnit('\\');
  return result;
}
