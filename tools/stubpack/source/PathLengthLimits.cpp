#include "source/PathLengthLimits.h"

#include "platform/Utf8.h"

uint32_t Utf16Length(const std::string& text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  uint32_t units = 0;
  for (size_t i = 0; i < text.size();) {
    uint32_t point;
    i += DecodeUtf8(bytes + i, text.size() - i, &point);
    units += point != kNotUtf8 && point >= 0x10000 ? 2 : 1;
  }
  return units;
}

uint64_t FullPathLength(const std::string& path, uint32_t tempPathLength) {
  return uint64_t{tempPathLength} + kStubDirectoryLength + 1 + Utf16Length(path);
}

std::vector<std::string> PathLengthWarnings(const std::vector<NamedEntry>& paths,
                                            uint32_t tempPathLength, const ShowName& show) {
  std::vector<std::string> warnings;
  const std::string under =
      " characters under a " + std::to_string(tempPathLength) + "-character temporary directory";
  const std::string unless = "; unless Windows has long paths enabled, the stub fails to ";
  for (const NamedEntry& entry : paths) {
    const size_t slash = entry.name.rfind('/');
    if (slash != std::string::npos &&
        FullPathLength(entry.name.substr(0, slash), tempPathLength) > kMaxDirectoryPathLength)
      continue;  // its directory has its warning
    const uint64_t length = FullPathLength(entry.name, tempPathLength);
    if (entry.isDirectory && length > kMaxDirectoryPathLength) {
      warnings.push_back(show(entry.name) + ": the full path of this directory is " +
                         std::to_string(length) + under + ", beyond the " +
                         std::to_string(kMaxDirectoryPathLength) + " that CreateDirectory takes" +
                         unless + "make it");
    } else if (!entry.isDirectory && length > kMaxPathLength) {
      warnings.push_back(show(entry.name) + ": its full path is " + std::to_string(length) + under +
                         ", beyond MAX_PATH (" + std::to_string(kMaxPathLength) +
                         " and the terminator)" + unless +
                         "write it (\"Can not open output "
                         "file\")");
    }
  }
  return warnings;
}
