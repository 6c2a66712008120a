// stubpack's reading of a Windows program: the PE layout, the resource tree, the icon group it
// lists and the header inspection that chooses BCJ2. A refusal (PackError) is an answer;
// anything else that escapes, or a sanitizer report, is a fault.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/PackError.h"
#include "pe/IconFile.h"
#include "pe/PeImage.h"
#include "pe/PeLayout.h"
#include "pe/PeResources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InspectPeHeader(data, size);
  const std::vector<uint8_t> image(data, data + size);
  try {
    const PeLayout layout = ReadPeLayout(image, "fuzz");
    const ResourceTable table = ReadResources(image, layout, "fuzz");
    IconSizes(table);
  } catch (const PackError&) {
  }
  return 0;
}
