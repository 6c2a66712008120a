#include "support/PackStreamReader.h"

#include "support/InputFile.h"

uint32_t PackStreamReader::Read(void* data, uint32_t size) {
  // Seeks to its own position every time: other readers share the file's position.
  File.ReadAt(Position, data, size);
  Position += size;
  return size;
}
