#include "pack/EncoderBudget.h"

#include <algorithm>

#include "pack/FolderPlan.h"

uint64_t FolderMemory(uint64_t folderSize, const LzmaSettings& settings) {
  LzmaSettings chosen = settings;
  chosen.dictSize = ChooseDictionary(folderSize, settings.dictSize);
  return LzmaEncoder::Memory(chosen) + 4 * folderSize;
}

uint64_t UsableMemory() { return AvailableMemory() / 4 * 3; }

EncoderBudget PlanEncoders(unsigned requested, size_t folders, uint64_t folderMemory,
                           uint64_t usableMemory) {
  EncoderBudget budget;
  const uint64_t wanted = std::max<uint64_t>(1, std::min<uint64_t>(requested, folders));
  const uint64_t held = folderMemory == 0 ? wanted : std::max<uint64_t>(1, usableMemory / folderMemory);
  budget.encoders = unsigned(std::min(wanted, held));
  budget.limitedByMemory = held < wanted;
  return budget;
}
