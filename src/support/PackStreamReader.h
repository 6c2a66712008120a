#pragma once
#include <cstdint>

#include "support/Streams.h"

class InputFile;

// Sequential reader over the InputFile from an absolute position. It always seeks to its own
// position, so several readers over one file may be used alternately.
class PackStreamReader final : public ReadStream {
 public:
  PackStreamReader(InputFile& file, uint32_t position) : File(file), Position(position) {}
  uint32_t Read(void* data, uint32_t size) override;

  InputFile& File;
  uint32_t Position;
};
