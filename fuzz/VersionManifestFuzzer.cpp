// stubpack's readers of a version resource and of a manifest, on the same arbitrary bytes.
// A refusal (PackError) is an answer; anything else that escapes, or a sanitizer report, is a
// fault.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/PackError.h"
#include "pe/Manifest.h"
#include "pe/VersionResource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadVersionStrings(std::vector<uint8_t>(data, data + size));
  const std::string text(reinterpret_cast<const char*>(data), size);
  ExecutionLevelOf(text);
  try {
    WithExecutionLevel(text, "requireAdministrator");
  } catch (const PackError&) {
  }
  return 0;
}
