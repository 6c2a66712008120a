#include "extract/ItemPath.h"

#include "format/NameRules.h"
#include "support/Fatal.h"

void SplitItemPath(const WideString& path, ItemVector<WideString>& components) {
  components.Clear();
  uint32_t n = path.Length();
  if (n == 0) return;
  WideString current;
  for (uint32_t i = 0; i <= n; ++i) {
    WCHAR c = path.CharAt(i);
    if (c == 0 || IsPathSeparator(c)) {
      components.Add(current);
      current = WideString();
    } else {
      current.AppendUnit(c);
    }
  }
}

bool IsConfinedItemPath(const WideString& path) {
  return IsConfinedPath(path.Units(), path.Length());
}

#ifndef _WIN32
// A high surrogate without a low one after it, or a low one without a high one before it.
static bool HasUnpairedSurrogate(const WideString& path) {
  bool afterHigh = false;
  for (uint32_t i = 0; i < path.Length(); ++i) {
    const uint16_t unit = uint16_t(path.Units()[i]);
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (afterHigh != low) return true;
    afterHigh = high;
  }
  return afterHigh;
}
#endif

void RefuseUnwritableItemPath(const WideString& path) {
#ifndef _WIN32
  // Windows' conversion refuses an unpaired surrogate in every code page. The Linux layer's
  // gives lone low surrogates back as the bytes they stand for (the system's own paths need
  // not be UTF-8): in an entry name they are refused here, before any conversion.
  if (HasUnpairedSurrogate(path)) FatalError(FailureReason::NameNotRepresentable);
#endif
  const WideString written = WideString::FromAnsi(path.ToAnsi());
  const PathVerdict verdict = JudgePath(written.Units(), written.Length());
  if (verdict == PathVerdict::NamesDevice) FatalError(FailureReason::EntryPathNamesDevice);
  if (verdict != PathVerdict::Confined) FatalError(FailureReason::EntryPathLeavesOutputDirectory);
}
