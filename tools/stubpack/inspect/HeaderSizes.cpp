#include "inspect/HeaderSizes.h"

#include <fstream>
#include <vector>

#include "archive/HeaderCursor.h"
#include "archive/HeaderParsing.h"
#include "format/StartHeader.h"

HeaderSizes MeasureHeader(StubHarness& harness, const std::string& installer,
                          const OpenedInstaller& opened) {
  HeaderSizes sizes;
  const uint64_t archiveStart = opened.archive->Database.ArchiveStart;
  std::ifstream in(installer, std::ios::binary);
  uint8_t bytes[kStartHeaderSize];
  in.seekg(std::streamoff(archiveStart));
  StartHeader start;
  if (!in.read(reinterpret_cast<char*>(bytes), sizeof bytes) || !ParseStartHeader(bytes, start))
    return sizes;
  sizes.stored = start.NextHeaderSize;
  // The stub opened this archive: the header lies inside the file.
  std::vector<uint8_t> header(size_t(start.NextHeaderSize));
  in.seekg(std::streamoff(archiveStart + kStartHeaderSize + start.NextHeaderOffset));
  if (header.size() < 2 ||
      !in.read(reinterpret_cast<char*>(header.data()), std::streamsize(header.size())))
    return sizes;
  if (header[0] != kHeader || header[1] != kAdditionalStreamsInfo) return sizes;
  // The stub's own reader of the streams info, on the block that follows those two bytes.
  harness.Run([&] {
    HeaderCursor cursor(nullptr);
    ReaderSwitch block;
    block.Set(cursor, header.data() + 2, uint32_t(header.size() - 2));
    OwnStreamsInfo additional;
    ReadStreamsInfo(cursor, nullptr, additional.Info);
    for (uint32_t i = 0; i < additional.Folders.Count(); ++i)
      sizes.decoded += additional.Folders[i].FinalUnpackSize();
  });
  return sizes;
}
