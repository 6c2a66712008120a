#include "format/InstallerOptions.h"

#include "format/ByteOrder.h"

bool ReadInstallerOptions(const uint8_t* data, uint32_t size, InstallerOptions& options) {
  options = InstallerOptions();
  if (size < kOptionsWordSize) return false;
  options.flags = GetLe32(data);
  if (options.flags & ~kKnownOptions) return false;
  if (size == kOptionsWordSize) return true;
  if (size < 2 * kOptionsWordSize || GetLe32(data + kOptionsWordSize) != kOptionsVersion)
    return false;
  static const uint32_t kLimits[3] = {kMaxRunPathBytes, kMaxArgumentsBytes, kMaxTitleBytes};
  const char* strings[3];
  uint32_t at = 2 * kOptionsWordSize;
  for (uint32_t i = 0; i < 3; ++i) {
    strings[i] = reinterpret_cast<const char*>(data + at);
    const uint32_t start = at;
    // Control characters would end or split the text where Windows passes it on.
    for (; at < size && data[at] != 0; ++at)
      if (data[at] < 0x20 || data[at] == 0x7F) return false;
    if (at == size || at - start > kLimits[i]) return false;  // unterminated or too long
    ++at;
  }
  if (at != size) return false;  // bytes after the third string
  options.runPath = strings[0];
  options.arguments = strings[1];
  options.title = strings[2];
  return true;
}

uint32_t WriteInstallerOptions(const InstallerOptions& options, uint8_t* out) {
  uint32_t size = 2 * kOptionsWordSize;
  if (out) {
    PutLe32(out, options.flags);
    PutLe32(out + kOptionsWordSize, kOptionsVersion);
  }
  const char* strings[] = {options.runPath, options.arguments, options.title};
  for (const char* string : strings) {
    do {
      if (out) out[size] = uint8_t(*string);
      ++size;
    } while (*string++ != 0);
  }
  return size;
}
