// UTF-8 text (names, version strings) as the UTF-16 that installers store.
#pragma once
#include <optional>
#include <string>

#include "platform/Utf8.h"

// Nothing when the text is not UTF-8.
inline std::optional<std::u16string> Utf16FromUtf8(const std::string& text) {
  std::u16string out;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    uint32_t point;
    p += DecodeUtf8(p, size_t(end - p), &point);
    if (point == kNotUtf8) return std::nullopt;
    char16_t units[2];
    out.append(units, EncodeUtf16(point, units));
  }
  return out;
}
