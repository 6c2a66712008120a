// UTF-16 string with a cached ANSI form. Every file-system call takes the ANSI form of a path.
#pragma once
#include <cstdint>

#include "platform/win32.h"

class WideString {
 public:
  WideString() = default;
  explicit WideString(const WCHAR* units);  // null gives the empty string
  WideString(const WideString& other);
  WideString& operator=(const WideString& other);
  ~WideString();

  static WideString FromAnsi(const char* text);  // null gives the empty string
  static WideString Concat(const WideString& a, const WideString& b);

  uint32_t Length() const { return length_; }
  const WCHAR* Units() const;  // zero-terminated; never null
  // The unit at index; index == Length() yields the terminator, a larger one ends the run.
  WCHAR CharAt(uint32_t index) const;

  void Append(const WideString& other);
  void AppendUnit(WCHAR unit);
  void Replace(WCHAR from, WCHAR to);
  // Ordinal comparison of units as unsigned 16-bit values: -1, 0 or 1.
  int Compare(const WideString& other) const;
  // The text in the ANSI code page, made once per unchanged string.
  const char* ToAnsi() const;

 private:
  void Reserve(uint32_t units);
  void DropAnsi() const;

  WCHAR* units_ = nullptr;
  uint32_t length_ = 0;
  uint32_t capacity_ = 0;  // units, terminator included
  mutable char* ansi_ = nullptr;
};

// The path with exactly one backslash at its end; an empty path gives a lone backslash.
WideString WithTrailingBackslash(const WideString& path);
