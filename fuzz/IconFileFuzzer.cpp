// stubpack's .ico reader on arbitrary bytes, and the icon resources made of what it accepts.
// A refusal (PackError) is an answer; anything else that escapes, or a sanitizer report, is a
// fault.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "base/PackError.h"
#include "pe/IconFile.h"
#include "pe/PeResources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The reader takes a path: one file per fuzzing process, rewritten for each input.
  static const std::string path = "/tmp/stubkit-fuzz-icon-" + std::to_string(getpid()) + ".ico";
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), std::streamsize(size));
  try {
    ResourceTable table;
    SetIcons(table, ReadIconFile(path));
    IconSizes(table);
    BuildResourceSection(table, 0x1000);
  } catch (const PackError&) {
  }
  unlink(path.c_str());
  return 0;
}
