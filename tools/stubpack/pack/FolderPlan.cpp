#include "pack/FolderPlan.h"

#include <algorithm>

#include "base/PackError.h"

namespace {

// Dictionary sizes of the form 2^n or 3 * 2^(n-1), the steps the LZMA tools use.
uint64_t RoundUpDictionary(uint64_t size) {
  uint64_t d = kLzmaMinDictionary;
  while (d < size) {
    const uint64_t between = d + d / 2;
    if (between >= size) return between;
    d *= 2;
  }
  return d;
}

std::string MiB(uint64_t bytes) { return std::to_string(bytes >> 20) + " MiB"; }

}  // namespace

uint64_t MaxFolderSize() { return LzmaWindowLimit(kLzmaMaxDictionary); }

uint32_t ChooseDictionary(uint64_t outputSize, uint32_t preferred) {
  preferred = std::clamp(preferred, kLzmaMinDictionary, kLzmaMaxDictionary);
  uint64_t dict = std::min<uint64_t>(RoundUpDictionary(outputSize), preferred);
  if (LzmaWindowLimit(static_cast<uint32_t>(dict)) < outputSize) {
    // Smallest dictionary whose window holds the output.
    const uint64_t needed = outputSize <= 2 * kLzmaWindowReserve ? outputSize - kLzmaWindowReserve
                                                             : (outputSize + 1) / 2;
    dict = RoundUpDictionary(needed);
  }
  if (dict > kLzmaMaxDictionary || LzmaWindowLimit(static_cast<uint32_t>(dict)) < outputSize) {
    throw PackError("a folder of " + MiB(outputSize) + " is more than the installer can unpack");
  }
  return static_cast<uint32_t>(dict);
}

std::vector<PlannedFolder> PlanFolders(const std::vector<PlanInput>& files, uint64_t solidSize) {
  for (const PlanInput& file : files) {
    if (file.size >= (uint64_t{1} << 32)) {
      throw PackError(file.path + ": files of 4 GiB or more cannot be packed");
    }
    if (file.size > MaxFolderSize()) {
      throw PackError(file.path + ": files larger than " + MiB(MaxFolderSize()) +
                      " cannot be unpacked by the installer (the largest output its largest "
                      "dictionary allows)");
    }
  }
  const uint64_t capacity = std::clamp<uint64_t>(solidSize, 1, MaxFolderSize());
  std::vector<PlannedFolder> folders;
  for (bool bcj2 : {true, false}) {
    PlannedFolder current;
    current.bcj2 = bcj2;
    for (size_t i = 0; i < files.size(); ++i) {
      if (files[i].bcj2 != bcj2) continue;
      if (!current.files.empty() && current.size + files[i].size > capacity) {
        folders.push_back(current);
        current.files.clear();
        current.size = 0;
      }
      current.files.push_back(i);
      current.size += files[i].size;
    }
    if (!current.files.empty()) folders.push_back(current);
  }
  return folders;
}
